#pragma once
// Sets the locale variables (LC_ALL, LC_NUMERIC, LC_COLLATE, LANG) for one test and puts
// the old values back when it goes. The test's own thread only: the
// environment is process-wide.

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind::test {

class LocaleEnvironment {
public:
    LocaleEnvironment() {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            saved_.emplace_back(value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    ~LocaleEnvironment() {
        for (std::size_t i = 0; i < saved_.size(); ++i)
            set(kNames[i], saved_[i]);
    }
    LocaleEnvironment(const LocaleEnvironment&) = delete;
    LocaleEnvironment& operator=(const LocaleEnvironment&) = delete;

    static void set(const char* name, const std::optional<std::string>& value) {
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }

    // The user's locale named only by LANG, as a desktop session sets it.
    static void useLang(const std::string& lang) {
        set("LC_ALL", std::nullopt);
        set("LC_NUMERIC", std::nullopt);
        set("LC_COLLATE", std::nullopt);
        set("LANG", lang);
    }

private:
    static constexpr const char* kNames[] = {"LC_ALL", "LC_NUMERIC", "LC_COLLATE", "LANG"};
    std::vector<std::optional<std::string>> saved_;
};

} // namespace sorvalind::test
