#include "engine/payload_section.h"

#include "engine/corrupt_payload.h"
#include "run/fatal_message.h"
#include "format/payload_error_codes.h"
#include "format/text_format.h"
#include "support/file_io.h"
#include "support/system_info.h"

namespace vantrel {

const wchar_t* const kNoPayloadMessage =
    L"This program performs installations and uninstallations.\r\nThere is no installation data "
    L"present.\r\nNo uninstallation parameters were specified.\r\n\r\nYou should not delete this program "
    L"or execute it directly.";

PayloadSection LocatePayloadSection(RunState& run) {
    PayloadSection payload;
    payload.programPath = ModuleFilePath();
    payload.file.Reset(CreateFileW(payload.programPath.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!payload.file) {
        const DWORD error = GetLastError();
        Fatal(
            FormatText(L"Error code 1: The installer could not open itself.\r\nFilename: %s\r\nError #%d: %s",
                       {payload.programPath, static_cast<int>(error), SystemErrorText(error)}));
    }
    const HANDLE file = payload.file.Get();
    const PeLookup lookup = ReadPeLayout([file](std::uint64_t offset, void* out, std::size_t size) {
        return ReadFileAt(file, offset, out, size);
    });
    if (lookup.errorCode != 0)
        CorruptPayloadError(run, lookup.errorCode);
    if (!lookup.payloadIndex)
        Fatal(kNoPayloadMessage);
    payload.layout = lookup.layout;
    payload.sectionIndex = *lookup.payloadIndex;
    payload.section = lookup.layout.sections[payload.sectionIndex];
    if (payload.section.pointerToRawData == 0)
        CorruptPayloadError(run, payload_error::kNoRawData);
    LARGE_INTEGER position;
    position.QuadPart = payload.section.pointerToRawData;
    if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN))
        CorruptPayloadError(run, payload_error::kSeekRawData);
    return payload;
}

}  // namespace vantrel
