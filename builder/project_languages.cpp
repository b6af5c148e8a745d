// The [[languages]] tables and their messages.
#include "builder/project_tables.h"

#include <algorithm>
#include <map>
#include <set>

#include "builder/default_messages.h"
#include "builder/option_flags.h"
#include "builder/project.h"
#include "builder/project_fields.h"
#include "builder/source_glob.h"
#include "builder/text_encoding.h"
#include "builder/toml_table_reader.h"

namespace vantrel::builder {
namespace {

struct Language {
    std::wstring name;
    std::map<std::size_t, std::wstring> messages;
    std::optional<std::wstring> licence;
    std::optional<std::wstring> readme;
};

Language ReadLanguage(TableReader table, const std::string& name) {
    Language language;
    language.name = *Utf8ToUtf16(name);
    if (auto bytes = table.FileBytes("licence"))
        language.licence = DecodeTextFile(table, "licence", *bytes);
    if (auto bytes = table.FileBytes("readme"))
        language.readme = DecodeTextFile(table, "readme", *bytes);
    if (auto messages = table.SubTable("messages")) {
        for (const auto& [key, node] : messages->Table()) {
            const std::string number(key.str());
            if (number.empty() || number.size() > 5 ||
                !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
                std::stoul(number) >= 10000) {
                messages->Fail(number, "message numbers are 0 to 9999");
            }
            language.messages[std::stoul(number)] = *messages->WideString(number);
        }
    }
    table.Finish();
    return language;
}

}  // namespace

void ReadLanguages(TableReader& root, Settings& s) {
    std::vector<Language> languages;
    std::vector<std::string> order;
    if (auto table = root.SubTable("languages")) {
        std::map<std::string, Language> defined;
        for (const auto& [key, node] : table->Table()) {
            if (key.str() == "order")
                continue;
            auto language = table->SubTable(key.str());
            if (key.str().empty())
                table->Fail(key.str(), "a language needs a name");
            defined.emplace(std::string(key.str()),
                            ReadLanguage(std::move(*language), std::string(key.str())));
        }
        if (auto list = table->StringList("order")) {
            order = *list;
            std::set<std::string> seen;
            for (const auto& name : order) {
                if (!seen.insert(name).second)
                    table->Fail("order", "the language \"" + name + "\" is listed twice");
                if (!defined.contains(name) && name != "English") {
                    table->Fail("order",
                                "the language \"" + name + "\" has no [languages." + name + "] table");
                }
            }
            for (const auto& [name, language] : defined) {
                if (!seen.contains(name))
                    table->Fail("order", "the language \"" + name + "\" is missing from the order");
            }
        } else {
            order.push_back("English");
            for (const auto& [name, language] : defined) {
                if (name != "English")
                    order.push_back(name);
            }
        }
        for (const auto& name : order) {
            auto it = defined.find(name);
            languages.push_back(it != defined.end() ? it->second : Language{*Utf8ToUtf16(name), {}, {}, {}});
        }
        if (languages.size() > 200)
            table->Fail("order", "at most 200 languages are allowed");
        table->Finish();
    } else {
        languages.push_back(Language{kDefaultLanguageName, {}, {}, {}});
    }

    const std::vector<std::wstring>& english = DefaultEnglishMessages();
    // Texts a language lacks come from the project's English texts, then from the defaults.
    const Language* projectEnglish = nullptr;
    for (const auto& language : languages) {
        if (language.name == kDefaultLanguageName)
            projectEnglish = &language;
    }
    std::size_t count = english.size();
    for (const auto& language : languages) {
        if (!language.messages.empty())
            count = std::max(count, language.messages.rbegin()->first + 1);
    }
    auto fallback = [&](std::size_t number) -> std::wstring {
        if (projectEnglish) {
            auto it = projectEnglish->messages.find(number);
            if (it != projectEnglish->messages.end())
                return it->second;
        }
        return number < english.size() ? english[number] : std::wstring();
    };
    std::vector<std::wstring> names;
    for (const auto& language : languages)
        names.push_back(language.name);
    std::vector<std::wstring> texts;
    texts.reserve(count * languages.size());
    for (std::size_t number = 0; number < count; ++number) {
        for (const auto& language : languages) {
            auto it = language.messages.find(number);
            texts.push_back(it != language.messages.end() ? it->second : fallback(number));
        }
    }
    s.messages = MessageTable(std::move(names), std::move(texts));

    auto perLanguage = [&](std::optional<std::wstring> Language::*member, std::vector<std::wstring>& out,
                           const char* what) {
        const bool any = std::any_of(languages.begin(), languages.end(),
                                     [&](const Language& l) { return (l.*member).has_value(); });
        if (!any)
            return;
        if (languages.size() > 20) {
            root.Fail("languages", std::string("at most 20 languages can carry a ") + what);
        }
        std::wstring common;
        if (projectEnglish && (projectEnglish->*member)) {
            common = *(projectEnglish->*member);
        } else {
            for (const auto& l : languages) {
                if ((l.*member)) {
                    common = *(l.*member);
                    break;
                }
            }
        }
        for (const auto& l : languages)
            out.push_back((l.*member) ? *(l.*member) : common);
    };
    perLanguage(&Language::licence, s.licenceTexts, "licence");
    perLanguage(&Language::readme, s.readmeTexts, "readme");
}

}  // namespace vantrel::builder
