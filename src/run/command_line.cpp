#include "run/command_line.h"

#include <cwctype>

#include "format/ascii.h"

namespace vantrel {
namespace {

constexpr std::size_t kMaxExaminedTokens = 19;

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    }
    return true;
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::wstring WithoutQuotes(std::wstring_view text) {
    std::wstring result;
    result.reserve(text.size());
    for (wchar_t c : text) {
        if (c != L'"')
            result.push_back(c);
    }
    return result;
}

template <typename Text>
void ReplaceAll(Text& text, const Text& from, const Text& to) {
    for (std::size_t at = text.find(from); at != Text::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

}  // namespace

std::vector<std::wstring> TokenizeCommandLine(std::wstring_view commandLine) {
    std::vector<std::wstring> tokens;
    std::size_t at = 0;
    bool first = true;
    while (true) {
        while (at < commandLine.size() && IsBlank(commandLine[at]))
            ++at;
        std::wstring token;
        bool quoted = false;
        while (at < commandLine.size() && (quoted || !IsBlank(commandLine[at]))) {
            if (commandLine[at] == L'"')
                quoted = !quoted;
            token.push_back(commandLine[at++]);
        }
        // An empty token is the end of the line and ends the examination.
        if (token.empty())
            break;
        if (!first)
            tokens.push_back(std::move(token));
        first = false;
    }
    return tokens;
}

CommandLineResult ParseCommandLine(std::wstring_view commandLine, const CommandLineServices& services) {
    CommandLineResult result;
    CommandLineOptions& options = result.options;
    std::vector<std::wstring> tokens = TokenizeCommandLine(commandLine);
    if (tokens.size() > kMaxExaminedTokens)
        tokens.resize(kMaxExaminedTokens);

    for (const std::wstring& token : tokens) {
        if (token[0] != L'/' && token[0] != L'-') {
            result.error = CommandLineError{L"Unexpected command line parameter:\r\n" + token};
            return result;
        }
        const std::wstring_view rest = std::wstring_view(token).substr(1);
        if (EqualsNoCase(rest, L"A")) {
            options.automatic = true;
        } else if (StartsWithNoCase(rest, L"D:")) {
            std::wstring folder = WithoutQuotes(rest.substr(2));
            if (!folder.empty() && folder.back() == L'\\')
                folder.pop_back();
            options.installFolderOverrideFull = services.fullPath ? services.fullPath(folder) : folder;
            options.installFolderOverride = std::move(folder);
        } else if (StartsWithNoCase(rest, L"N:")) {
            options.productNameOverride = WithoutQuotes(rest.substr(2));
        } else if (StartsWithNoCase(rest, L"U")) {
            options.uninstallRequested = true;
            std::wstring_view name = rest.substr(1);
            // Without the colon ("/uName") no name is taken, which the caller reports.
            if (!name.empty() && name[0] == L':')
                options.uninstallProductName = WithoutQuotes(name.substr(1));
        } else if (StartsWithNoCase(rest, L"R:\"")) {
            std::wstring program(rest.substr(3));
            if (!program.empty() && program.back() == L'"')
                program.pop_back();
            ReplaceAll<std::wstring>(program, L"`", L"\"");
            options.launchOnExit = std::move(program);
        } else if (StartsWithNoCase(rest, L"B1:\"") || StartsWithNoCase(rest, L"B2:\"") ||
                   StartsWithNoCase(rest, L"B3:\"")) {
            const std::size_t which = static_cast<std::size_t>(rest[1] - L'1');
            std::string commands =
                services.toSystemCodePage ? services.toSystemCodePage(rest.substr(4)) : std::string();
            if (!commands.empty() && commands.back() == '"')
                commands.pop_back();
            ReplaceAll<std::string>(commands, "`", "\"");
            ReplaceAll<std::string>(commands, "~~", "\r\n");
            options.batchAdditions[which] += commands;
        } else if (EqualsNoCase(rest, L"Silent")) {
            options.automatic = true;
            options.silent = true;
        } else if (EqualsNoCase(rest, L"MIN")) {
            options.minimizedStart = true;
        } else {
            result.error = CommandLineError{L"Illegal command line atom:\r\n" + token};
            return result;
        }
    }
    return result;
}

std::wstring UsageText(std::wstring_view leadingMessage, std::wstring_view programFileName) {
    std::wstring text(leadingMessage);
    text += L"\r\n\r\nUsage:\r\n";
    text += programFileName;
    text +=
        L" [/a] [/b1:\"commands\"] [/b2:\"commands\"] [/b3:\"commands\"] [/d:\"dir\"] [/n:\"name\"] "
        L"[/u:\"name\"] [/r:\"program\"] [/silent]\r\n\r\n"
        L"/a                  \tAutomatic mode.\r\n"
        L"/d:\"dir\"        \tOverride installation path.\r\n"
        L"/b1:\"commands\"\tAdd commands to the end of the Pre-Installation Batch.\r\n"
        L"/b2:\"commands\"\tAdd commands to the end of the Post-Installation Batch.\r\n"
        L"/b3:\"commands\"\tAdd commands to the end of the Installation-Exit Batch.\r\n"
        L"/n:\"name\"\tOverride product name.\r\n"
        L"/u:\"name\"\tUninstall product by name.\r\n"
        L"/r:\"program\"\tRun the specified program after a successful installation.\r\n"
        L"/silent\tDisplay no user interface.";
    return text;
}

}  // namespace vantrel
