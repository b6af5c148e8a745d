#include "engine/extraction/destination.h"

#include "format/data_area.h"
#include "format/path_join.h"
#include "format/text_encoding.h"

namespace vantrel {

std::wstring KindFolder(std::uint32_t kind, const DestinationFolders& folders) {
    switch (static_cast<DestinationKind>(kind)) {
        case DestinationKind::kInstallDir:
        case DestinationKind::kInstallDirShortcut:
        case DestinationKind::kVersioned:
        case DestinationKind::kDriver:
        case DestinationKind::kMsiPackage:
        case DestinationKind::kControlPanelApplet:
            return folders.installDir;
        case DestinationKind::kShared:
            return folders.sharedDir;
        case DestinationKind::kFont:
            return folders.fontDir;
        case DestinationKind::kSystemPermanentShared:
        case DestinationKind::kSystemCom:
        case DestinationKind::kSystemTypeLibrary:
            return folders.systemDir;
    }
    return {};
}

namespace {

bool HasFolder(std::uint32_t kind) {
    return kind == 0 || kind == 1 || (kind >= 4 && kind <= 12);
}

}  // namespace

bool IsAbsolutePath(std::wstring_view path) {
    if (path.size() >= 2 && path[1] == L':')
        return true;
    return path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
}

Destination ComputeDestination(const FileRecord& record, const DestinationFolders& folders,
                               const ExpandText& expand, const NormalisePath& normalise) {
    Destination result;
    const std::wstring name = Utf8ToUtf16(record.name);
    const bool shared = record.kind == static_cast<std::uint32_t>(DestinationKind::kShared);
    std::wstring path;
    bool fromRecord = !record.destination.empty();
    if (fromRecord && shared && folders.portable && !folders.portableSharedDir.empty()) {
        // A portable installation keeps its shared files with it: only a relative path
        // without variables can say where under the portable shared folder.
        const std::wstring& wanted = record.destination;
        if (wanted.find(L'\\') != std::wstring::npos && !IsAbsolutePath(wanted) &&
            wanted.find(L'%') == std::wstring::npos) {
            const std::wstring& base = folders.portableSharedDir;
            path = PathJoin(IsAbsolutePath(base) ? base : PathJoin(folders.installDir, base), wanted);
            if (path.back() == L'\\')
                path += name;
        } else {
            fromRecord = false;
        }
    } else if (fromRecord) {
        path = expand(record.destination);
        if (!IsAbsolutePath(path))
            path = PathJoin(shared ? folders.sharedDir : folders.installDir, path);
        if (!path.empty() && path.back() == L'\\')
            path += name;
    }
    if (!fromRecord) {
        std::wstring folder;
        if ((record.flags & file_flags::kToUninstallDir) != 0) {
            folder = folders.uninstallDataDir;
        } else if (HasFolder(record.kind)) {
            folder = KindFolder(record.kind, folders);
        } else {
            result.errorCode = payload_error::kUnknownKind;
            return result;
        }
        path = PathJoin(folder, name);
    }
    result.path = normalise(path);
    result.explicitDestination = fromRecord;
    return result;
}

std::wstring InstalledFileLine(const FileRecord& record, const std::wstring& destination) {
    return Utf8ToUtf16(record.name) + L" >>> " + destination + L"\r\n";
}

bool StatusHidesPath(const FileRecord& record, bool hideFileNames) {
    return hideFileNames || record.name == kHiddenRecordName;
}

int ExtractionProgress(std::size_t index, std::size_t count) {
    if (count == 0)
        return 28;
    return 28 + static_cast<int>(62 * static_cast<std::uint64_t>(index) / count);
}

}  // namespace vantrel
