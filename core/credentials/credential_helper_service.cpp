#include "credentials/credential_helper_service.h"

namespace sorvalind {
namespace {

std::string run(CredentialStore& store, const CredentialHelperRequest& request) {
    const std::string& operation = request.operation;
    if (operation == "load") return store.load(request.account, request.allowInteraction);
    if (operation == "save") {
        if (!request.password) throw CredentialError::verification();
        store.save(*request.password, request.account);
        return "";
    }
    if (operation == "remove") {
        store.remove(request.account);
        return "";
    }
    if (operation == "removeAll") {
        store.removeAll();
        return "";
    }
    if (operation == "verify") return store.verifyTemporaryCredential();
    if (operation == "lifecycle")
        return store.verifyCredentialLifecycle(request.action.value_or(""), request.account);
    throw CredentialError::verification();
}

} // namespace

CredentialHelperResponse credentialHelperFailure(const std::exception_ptr& failure) noexcept {
    try {
        std::rethrow_exception(failure);
    } catch (const CredentialError& error) {
        if (error.code()) return {std::nullopt, *error.code()};
    } catch (...) {
    }
    return {std::nullopt, credentialHelperRefusal};
}

CredentialHelperResponse answerCredentialHelperInput(CredentialStore& store, std::string_view input) {
    try {
        if (input.size() > credentialHelperMessageLimit) throw CredentialError::verification();
        std::optional<CredentialHelperRequest> request = decodeCredentialHelperRequest(input);
        if (!request) throw CredentialError::verification();
        return {run(store, *request), std::nullopt};
    } catch (...) {
        return credentialHelperFailure(std::current_exception());
    }
}

} // namespace sorvalind
