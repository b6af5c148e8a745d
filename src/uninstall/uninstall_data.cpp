#include "uninstall/uninstall_data.h"

#include <windows.h>

#include "context/failure_list.h"
#include "format/message_table.h"
#include "format/path_canonical.h"
#include "format/path_join.h"
#include "format/text_encoding.h"
#include "format/text_format.h"
#include "support/ansi_text.h"
#include "support/file_system.h"
#include "support/system_info.h"
#include "support/unique_handle.h"

namespace vantrel {
namespace {

std::string WithoutLineEnds(std::string_view line) {
    std::string text(line);
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    return text;
}

// Writes the bytes to a new file beside `path` and moves it over `path` (replacing it,
// through to the disk). Returns the system error code, 0 on success; nothing but the
// temporary file is touched before the data is safely written.
DWORD ReplaceFileContents(const std::wstring& path, const std::string& bytes) {
    std::wstring folder = WithoutLastComponent(path);
    if (folder.size() == 2 && folder[1] == L':')
        folder.push_back(L'\\');
    wchar_t temporary[MAX_PATH + 1] = {};
    if (GetTempFileNameW(folder.c_str(), L"QVT", 0, temporary) == 0)
        return GetLastError();
    DWORD error = 0;
    {
        UniqueHandle file(
            CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file || !WriteAll(file.Get(), bytes.data(), bytes.size()) || !FlushFileBuffers(file.Get()))
            error = GetLastError();
    }
    if (error == 0 &&
        !MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != 0)
        DeleteFileW(temporary);
    return error;
}

bool IsValidUtf8(std::string_view text) {
    return Utf16ToUtf8(Utf8ToUtf16(text)) == text;
}

}  // namespace

bool UninstallData::RecordEncodedRemoval(std::string_view encodedPath, RemovalKind kind) {
    if (encodedPath.size() <= 3)
        return false;
    if (kind == RemovalKind::kFolder) {
        const std::wstring folded = FoldCase(DecodeText(encodedPath, AnsiCodePageToUtf16));
        if (!recordedFolders_.insert(folded).second)
            return false;
    }
    std::string line;
    if (const char prefix = RemovalPrefix(kind); prefix != 0)
        line.push_back(prefix);
    line.append(encodedPath);
    content_.removalList.push_back(std::move(line));
    return true;
}

bool UninstallData::RecordRemoval(std::wstring_view path, RemovalKind kind) {
    return RecordEncodedRemoval(EncodeText(path), kind);
}

void UninstallData::AddAssociation(FileAssociation association) {
    association.extension = WithoutLineEnds(association.extension);
    association.fileType = WithoutLineEnds(association.fileType);
    association.verb = WithoutLineEnds(association.verb);
    content_.associations.push_back(std::move(association));
}

void UninstallData::AddFirewallLine(std::string_view line) {
    content_.firewallLines.push_back(WithoutLineEnds(line));
}

void UninstallData::AddInfLine(std::wstring_view infPath) {
    content_.infLines.push_back(WithoutLineEnds(EncodeText(infPath)));
}

void UninstallData::AddMsiLine(std::wstring_view packagePath, int uiLevel) {
    content_.msiLines.push_back(WithoutLineEnds(FormatMsiLine(packagePath, uiLevel)));
}

void UninstallData::SetRegistryScript(std::wstring_view script) {
    content_.registryScript = Utf16ToUtf8(script);
}

void UninstallData::ResetRemovalList() {
    content_.removalList.clear();
    recordedFolders_.clear();
}

void UninstallData::KeepOnlyWhatRemains(const std::vector<std::string>& remainingFileLines,
                                        const std::vector<std::string>& remainingMsiLines) {
    ResetRemovalList();
    for (const std::string& line : remainingFileLines)
        RecordEncodedRemoval(line, RemovalKind::kFile);
    content_.associations.clear();
    content_.firewallLines.clear();
    content_.infLines.clear();
    content_.msiLines = remainingMsiLines;
}

bool UninstallData::Write(const std::wstring& path, FailureList& failures,
                          const MessageTable& messages) const {
    const DWORD error = ReplaceFileContents(path, BuildUninstallData(content_));
    if (error == 0)
        return true;
    AddFailure(failures, messages, path, error);
    SetLastError(error);
    return false;
}

unsigned long UninstallData::Read(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return GetLastError();
    std::string bytes;
    char buffer[64 * 1024];
    while (true) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr))
            return GetLastError();
        if (read == 0)
            break;
        bytes.append(buffer, read);
    }
    content_ = ParseUninstallData(bytes, AnsiCodePageToUtf16);
    recordedFolders_.clear();
    return 0;
}

std::wstring UninstallDataLoadFailureText(std::wstring_view displayName, std::wstring_view path,
                                          unsigned long errorCode) {
    return FormatText(
        L"The uninstall information for %s could not be loaded.\r\n\r\nFilepath: %s\r\nCode %d: %s",
        {displayName, path, static_cast<long long>(errorCode), SystemErrorText(errorCode)});
}

std::optional<std::wstring> DecodeRecordedPath(std::string_view encodedPath) {
    if (!encodedPath.empty() && encodedPath.front() == '|' && !IsValidUtf8(encodedPath.substr(1)))
        return std::nullopt;
    std::wstring path = DecodeText(encodedPath, AnsiCodePageToUtf16);
    if (!IsAbsolutePathText(path) || HasParentSegment(path))
        return std::nullopt;
    return path;
}

}  // namespace vantrel
