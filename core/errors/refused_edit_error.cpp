#include "errors/refused_edit_error.h"

#include "runtime/decimal_text.h"

namespace sorvalind {
namespace {

std::string describe(const std::vector<std::string>& items, int code) {
    std::string names;
    for (const std::string& item : items) {
        if (!names.empty()) names += ", ";
        names += "\u201C" + item + "\u201D";
    }
    const char* what = items.size() == 1 ? "the change to " : "the changes to ";
    return "Navidrome refused " + std::string(what) + names + " three times (" + decimalText(code) +
           "), so " + (items.size() == 1 ? "it was" : "they were") + " dropped.";
}

} // namespace

RefusedEditError::RefusedEditError(std::vector<std::string> items, int code)
    : std::runtime_error(describe(items, code)), items_(std::move(items)), code_(code) {}

} // namespace sorvalind
