#include "errors/safe_error.h"

#include "errors/api_error.h"
#include "errors/audio_failure.h"
#include "errors/credential_error.h"
#include "errors/database_error.h"
#include "errors/refused_edit_error.h"
#include "errors/url_error.h"
#include "runtime/cancellation.h"
#include "runtime/decimal_text.h"

#include <filesystem>
#include <ios>
#include <optional>
#include <system_error>

namespace sorvalind {
namespace {

constexpr const char* fallback = "The operation failed. Please try again.";

// The text of a failure this system knows by type, or none. The rules are
// tried in this order, the first that matches wins.
// A type that derives from another listed here must come before its base.
std::optional<std::string> knownMessage(const std::exception& error) {
    if (auto* api = dynamic_cast<const APIError*>(&error)) return std::string(api->what());
    if (auto* audio = dynamic_cast<const AudioFailure*>(&error)) return std::string(audio->what());
    if (auto* credential = dynamic_cast<const CredentialError*>(&error))
        return std::string(credential->what());
    if (auto* url = dynamic_cast<const URLError*>(&error)) return std::string(urlErrorMessage(url->code()));
    if (auto* refused = dynamic_cast<const RefusedEditError*>(&error)) return std::string(refused->what());
    // File failures are system errors too, so they are asked first.
    if (dynamic_cast<const std::filesystem::filesystem_error*>(&error) ||
        dynamic_cast<const std::ios_base::failure*>(&error))
        return std::string("The file operation failed. Check storage space and file permissions.");
    if (auto* system = dynamic_cast<const std::system_error*>(&error))
        return "A system operation failed (" + decimalText(system->code().value()) + ").";
    // The store's own message names tables and SQLite's wording; the user
    // gets one fixed sentence for every store failure.
    if (dynamic_cast<const DatabaseError*>(&error))
        return std::string("The local library operation failed. Please try again.");
    if (dynamic_cast<const CancellationError*>(&error)) return std::string("The operation was cancelled.");
    return std::nullopt;
}

std::string messageOf(const std::exception& error) {
    if (auto known = knownMessage(error)) return *known;
    // A failure wrapped with context keeps the text of what it wraps.
    if (auto* nested = dynamic_cast<const std::nested_exception*>(&error); nested && nested->nested_ptr())
        return SafeError::message(nested->nested_ptr());
    return fallback;
}

} // namespace

std::string SafeError::message(const std::exception& error) noexcept {
    try {
        return messageOf(error);
    } catch (...) {
        return fallback;
    }
}

std::string SafeError::message(std::exception_ptr error) noexcept {
    try {
        if (!error) return fallback;
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return message(e);
    } catch (...) {
        return fallback;
    }
}

} // namespace sorvalind
