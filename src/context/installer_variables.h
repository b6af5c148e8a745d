#pragma once

#include <span>
#include <string>

namespace vantrel {

class InstallSession;

// One installer variable: its token with the percent signs, whether the token must match in
// its exact letter case, and the resolver that computes its value at the moment of use.
struct InstallerVariable {
    const wchar_t* token;
    bool caseSensitive;
    std::wstring (*value)(const InstallSession& session);
};

// The 54 installer variables in the order in which they are replaced. The batch generator
// exports the same values.
std::span<const InstallerVariable> InstallerVariables();

// Replaces every installer variable in the text (table order, left to right, case-insensitive
// except %OldVersionMajor% and %OldVersionMinor%; a later row sees the values of earlier
// rows), then lets the system expand environment variables in what remains. Never fails: a
// token that names nothing stays as it is.
void ExpandVariables(const InstallSession& session, std::wstring& text);

// Resolvers of the session-dependent variables, for the parts that need one value directly.
std::wstring InstallDriveOf(const std::wstring& folder);  // "D:" or empty
std::wstring PortableFlagOf(const std::wstring& folder);  // "1" or "0"
std::wstring ExistingRelation(const std::wstring& existingVersion, const std::wstring& productVersion);
std::wstring OldVersionPart(const std::wstring& existingVersion, std::size_t index);  // split at "."
std::wstring StartMenuChosenFolder(const InstallSession& session);
std::wstring InstallerDrive();
std::wstring InstallerDir();
std::wstring BitsText();  // "64" or "32"

}  // namespace vantrel
