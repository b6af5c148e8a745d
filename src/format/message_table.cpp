#include "format/message_table.h"

namespace vantrel {
namespace {

const std::wstring kEmpty;

bool IsEnglish(const std::wstring& name) {
    static constexpr wchar_t kEnglish[] = L"english";
    if (name.size() != 7)
        return false;
    for (std::size_t i = 0; i < 7; ++i) {
        wchar_t c = name[i];
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c + 32);
        if (c != kEnglish[i])
            return false;
    }
    return true;
}

}  // namespace

MessageTable::MessageTable(std::vector<std::wstring> languageNames, std::vector<std::wstring> texts)
    : languageNames_(std::move(languageNames)), texts_(std::move(texts)) {
    selected_ = DefaultLanguage();
}

std::size_t MessageTable::MessageCount() const {
    return languageNames_.empty() ? 0 : texts_.size() / languageNames_.size();
}

const std::wstring& MessageTable::LanguageName(std::size_t language) const {
    return language < languageNames_.size() ? languageNames_[language] : kEmpty;
}

std::size_t MessageTable::DefaultLanguage() const {
    for (std::size_t i = 0; i < languageNames_.size(); ++i) {
        if (IsEnglish(languageNames_[i]))
            return i;
    }
    return 0;
}

void MessageTable::SelectLanguage(std::size_t language) {
    if (language < languageNames_.size())
        selected_ = language;
}

const std::wstring& MessageTable::Text(std::size_t number, std::size_t language) const {
    const std::size_t languages = languageNames_.size();
    if (language >= languages)
        return kEmpty;
    const std::size_t index = number * languages + language;
    return index < texts_.size() ? texts_[index] : kEmpty;
}

}  // namespace vantrel
