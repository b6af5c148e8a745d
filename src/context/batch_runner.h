#pragma once

#include <string>
#include <string_view>

namespace vantrel {

class InstallSession;
class InstallLog;

// One script of the payload (or of the registry, for the uninstall batches) to run through
// the command interpreter. The commands are 8-bit Windows-1252 text. With a title the run is
// announced in the log and its console output is captured into the log.
struct BatchRequest {
    std::string_view commands;
    bool hidden = false;
    std::string_view title;  // empty: not announced, output not captured
};

// Writes SETUPBAT.BAT (code-page line, "@echo off", one SET line per installer variable,
// then the commands) into the installation folder, or the temporary folder while that does
// not exist, runs it and waits, keeping the windows of this thread responsive. True when
// the commands are blank or the batch was started; its exit code is not examined.
bool RunBatch(const InstallSession& session, InstallLog& log, const BatchRequest& request);

// Pieces of RunBatch, exposed for the tests.

// The file text before encoding: "@echo off", the SET lines and the commands (PAUSE lines
// removed when `removePause`), line breaks not yet normalised.
std::wstring BatchFileText(const InstallSession& session, std::string_view commands, bool removePause);
// True for a line that only pauses: "pause" in any case, with blanks and one "@" around it.
bool IsPauseLine(std::wstring_view line);
// Lone CR, lone LF and LF CR become CR LF; the text ends with CR LF.
std::wstring NormaliseLineBreaks(std::wstring_view text);
// A value as it must stand in a SET line to reach the script unchanged. Every "%" is
// doubled. Outside double quotes the characters the interpreter would take for commands
// (& | < > ^) also get a caret; inside them they are already plain text.
std::wstring SetLineValue(std::wstring_view value, bool quoted);

}  // namespace vantrel
