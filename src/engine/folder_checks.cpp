#include "engine/folder_checks.h"

#include <windows.h>
#include <shlobj.h>

#include <cwchar>
#include <vector>

#include "actions/product_registration.h"
#include "engine/install_run.h"
#include "format/text_format.h"
#include "support/file_system.h"
#include "support/folder_tree.h"
#include "support/shell_folders.h"
#include "support/system_info.h"
#include "support/temp_file_name.h"

namespace vantrel {
namespace {

// The option bits the checks read.
constexpr std::uint32_t kLocalFolderOnly = 0x20;           // high word
constexpr std::uint32_t kRefuseRemovableDrive = 0x800000;  // high word
constexpr std::uint32_t kConfirmFolder = 0x80000000;       // low word
constexpr std::uint32_t kAsciiFolderOnly = 0x10000;        // ProductFlags2

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring TrimmedFolder(const std::wstring& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    std::wstring folder = text.substr(begin, end - begin);
    if (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

bool IsDriveForm(const std::wstring& path) {
    return path.size() >= 2 && path[1] == L':' &&
           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

bool IsNetworkForm(const std::wstring& path) {
    return path.size() > 2 && path[0] == L'\\' && path[1] == L'\\';
}

// One folder name: not empty, not "." or "..", no character the file system refuses, and no
// final dot or blank (the system would drop it and use another folder than the one shown).
bool IsValidName(std::wstring_view name) {
    if (name.empty() || name.back() == L'.' || name.back() == L' ')
        return false;
    for (const wchar_t c : name)
        if (c < 32 || std::wcschr(L"<>:\"/|?*", c) != nullptr)
            return false;
    return true;
}

// An absolute path: "X:\" followed by folder names, or "\\server\share" and folder names.
bool IsValidAbsolutePath(const std::wstring& path) {
    // A drive root reads "X:" once its backslash is trimmed.
    if (IsDriveForm(path) && path.size() == 2)
        return true;
    std::size_t start;
    if (IsDriveForm(path) && path.size() >= 3 && path[2] == L'\\')
        start = 3;
    else if (IsNetworkForm(path))
        start = 2;
    else
        return false;
    if (start == path.size())
        return start == 3;
    std::size_t names = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos)
            end = path.size();
        if (!IsValidName(std::wstring_view(path).substr(start, end - start)))
            return false;
        ++names;
        start = end + 1;
    }
    // A network path needs at least its server and share.
    return !IsNetworkForm(path) || names >= 2;
}

bool SameFolder(const std::wstring& path, std::wstring folder) {
    if (folder.empty())
        return false;
    if (folder.size() > 3 && folder.back() == L'\\')
        folder.pop_back();
    return FoldCase(path) == FoldCase(folder);
}

// The folders that belong to the shell or the user, never an installation of its own.
bool IsReservedFolder(const std::wstring& path) {
    for (const std::wstring& folder : {DesktopAllFolder(), DesktopFolder(), StartMenuAllFolder(),
                                       StartMenuFolder(), SpecialFolderPath(CSIDL_PROFILE)})
        if (SameFolder(path, folder))
            return true;
    return false;
}

// "X:\" or "\\server\share\": where the volume of the path begins.
std::wstring VolumeRoot(const std::wstring& path) {
    if (IsDriveForm(path))
        return path.substr(0, 2) + L"\\";
    const std::size_t server = path.find(L'\\', 2);
    const std::size_t share = server == std::wstring::npos ? server : path.find(L'\\', server + 1);
    return (share == std::wstring::npos ? path : path.substr(0, share)) + L"\\";
}

// The drive as the messages name it: "X:", or the network share.
std::wstring DriveName(const std::wstring& path) {
    const std::wstring root = VolumeRoot(path);
    return root.substr(0, root.size() - 1);
}

bool IsWritableVolume(const std::wstring& root, bool refuseRemovable) {
    DWORD flags = 0;
    if (!GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) ||
        (flags & FILE_READ_ONLY_VOLUME) != 0)
        return false;
    if (!refuseRemovable)
        return true;
    const UINT type = GetDriveTypeW(root.c_str());
    return type != DRIVE_REMOVABLE && type != DRIVE_CDROM && type != DRIVE_RAMDISK;
}

bool IsAscii(const std::wstring& text) {
    for (const wchar_t c : text)
        if (c >= 128)
            return false;
    return true;
}

// The checks that need no one's answer, in their order; the message of the first that
// refuses the folder.
std::optional<std::wstring> Refusal(const std::wstring& folder, const FolderCheckContext& context) {
    const MessageTable& messages = *context.messages;
    if (!IsValidAbsolutePath(folder) || IsReservedFolder(folder))
        return messages.Text(14) + L"\r\n\r\n" + folder;
    if (IsDriveForm(folder) && !IsDrivePresent(folder[0]))
        return FormatText(messages.Text(16), {DriveName(folder)});
    if ((context.flagsHigh & kLocalFolderOnly) != 0 &&
        (folder.find(L"\\\\") != std::wstring::npos ||
         GetDriveTypeW(VolumeRoot(folder).c_str()) == DRIVE_REMOTE))
        return messages.Text(66);
    if (folder.size() <= 3)
        return messages.Text(17);
    for (const FolderView view : {FolderView::k32Bit, FolderView::k64Bit}) {
        const std::wstring programFiles = ProgramFilesFolder(view);
        if (SameFolder(folder, programFiles))
            return FormatText(messages.Text(18), {programFiles});
    }
    if (!IsWritableVolume(VolumeRoot(folder), (context.flagsHigh & kRefuseRemovableDrive) != 0))
        return FormatText(messages.Text(96), {DriveName(folder)});
    if ((context.flags2 & kAsciiFolderOnly) != 0 && !IsAscii(folder))
        return messages.Text(30);
    return std::nullopt;
}

// The questions; false when one was answered No.
bool Confirmed(const std::wstring& folder, const FolderCheckContext& context) {
    if (!context.askYesNo)
        return true;
    const MessageTable& messages = *context.messages;
    if (context.requiredSpace && !context.existingInstallation) {
        const std::uint64_t required = context.requiredSpace(folder);
        ULARGE_INTEGER available{};
        if (GetDiskFreeSpaceExW(VolumeRoot(folder).c_str(), &available, nullptr, nullptr) &&
            available.QuadPart < required &&
            !context.askYesNo(FormatText(messages.Text(19), {ByteSizeText(required), DriveName(folder),
                                                             ByteSizeText(available.QuadPart)}),
                              messages.Text(20)))
            return false;
    }
    if ((context.flagsLow & kConfirmFolder) != 0) {
        const std::size_t question = FolderExists(folder) ? 22 : 23;
        if (!context.askYesNo(FormatText(messages.Text(question), {folder}), messages.Text(24)))
            return false;
    }
    return true;
}

}  // namespace

std::optional<std::wstring> CheckInstallFolder(std::wstring& folder, const FolderCheckContext& context) {
    folder = TrimmedFolder(folder);
    if (folder.empty())
        return std::wstring();
    if (std::optional<std::wstring> refusal = Refusal(folder, context))
        return refusal;
    if (!Confirmed(folder, context))
        return std::wstring();
    if (!FolderExists(folder) && !CreateFolderTree(folder)) {
        const DWORD error = GetLastError();
        return context.messages->Text(25) + L"\r\n" + folder + L"\r\n\r\n" + SystemErrorText(error);
    }
    // Files must be writable there, not only the folder creatable.
    const std::wstring probe = MakeTempFileName(folder, L"tmp", temp_name::kKeepFolder);
    if (probe.empty())
        return FormatText(context.messages->Text(73), {folder});
    DeleteFileW(probe.c_str());
    return std::nullopt;
}

FolderCheckContext FolderCheckContextOf(InstallRun& run) {
    FolderCheckContext context;
    context.messages = &run.session.Messages();
    context.flagsLow = run.session.flags.low;
    context.flagsHigh = run.session.flags.high;
    context.flags2 = run.Flags2();
    context.existingInstallation = run.existing;
    context.requiredSpace = [&run](const std::wstring& folder) { return RequiredInstallSpace(run, folder); };
    if (!run.Automatic()) {
        context.askYesNo = [&run](const std::wstring& text, const std::wstring& caption) {
            return run.session.ui.ShowMessageBox(
                       text, caption, mb::kYesNo | mb::kIconQuestion | mb::kSetForeground) == mb::kIdYes;
        };
    }
    return context;
}

std::uint64_t RequiredInstallSpace(const InstallRun& run, const std::wstring& folder) {
    const Payload& payload = run.payload;
    const bool stub = (payload.header.productFlags2 & product_flags2::kBuildStubImage) != 0 &&
                      payload.stubImage && !payload.stubImage->empty();
    const std::uint64_t uninstaller =
        stub ? payload.stubImage->size() : FileSizeOf(ModuleFilePath()).value_or(0);
    std::vector<std::uint64_t> sizes;
    for (const std::int32_t size : payload.header.fileSizes)
        sizes.push_back(size > 0 ? static_cast<std::uint64_t>(size) : 0);
    const auto& words = payload.settings.pageStyles;
    const std::uint64_t extra = (std::uint64_t{words[1]} << 32) | words[0];
    return EstimatedInstallSize(uninstaller, sizes, ClusterSizeOf(folder), extra);
}

std::wstring ByteSizeText(std::uint64_t bytes) {
    if (bytes < 1024)
        return DecimalText(bytes) + L" bytes";
    static const wchar_t* const kUnits[] = {L"KB", L"MB", L"GB", L"TB"};
    double size = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    while (size >= 1024.0 && unit + 1 < std::size(kUnits)) {
        size /= 1024.0;
        ++unit;
    }
    // Two decimals, rounded, without the printf machinery.
    const auto hundredths = static_cast<std::uint64_t>(size * 100.0 + 0.5);
    const std::uint64_t fraction = hundredths % 100;
    return DecimalText(hundredths / 100) + L"." + (fraction < 10 ? L"0" : L"") + DecimalText(fraction) +
           L" " + kUnits[unit];
}

}  // namespace vantrel
