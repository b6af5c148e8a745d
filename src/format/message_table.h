#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vantrel {

// The installer's texts by message number and language. Texts are stored message-major:
// for each message number in turn, its text in every language in language order.
class MessageTable {
public:
    MessageTable() = default;
    MessageTable(std::vector<std::wstring> languageNames, std::vector<std::wstring> texts);

    std::size_t LanguageCount() const { return languageNames_.size(); }
    std::size_t MessageCount() const;
    const std::wstring& LanguageName(std::size_t language) const;

    // The language named "English" (any letter case), else the first.
    std::size_t DefaultLanguage() const;
    std::size_t SelectedLanguage() const { return selected_; }
    void SelectLanguage(std::size_t language);

    // The text in the selected language; a missing message reads as "".
    const std::wstring& Text(std::size_t number) const { return Text(number, selected_); }
    const std::wstring& Text(std::size_t number, std::size_t language) const;

    const std::vector<std::wstring>& LanguageNames() const { return languageNames_; }
    const std::vector<std::wstring>& Texts() const { return texts_; }

    bool operator==(const MessageTable&) const = default;

private:
    std::vector<std::wstring> languageNames_;
    std::vector<std::wstring> texts_;
    std::size_t selected_ = 0;
};

}  // namespace vantrel
