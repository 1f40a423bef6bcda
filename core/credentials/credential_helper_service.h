#pragma once
// What the credential helper does with one request it has read: decodes it,
// runs the named operation on the helper build of the store, and gives the
// one response to write. Failures become {"status": code}: the code of a
// CredentialError::status, -25293 for everything else. Nothing is retried.
// The helper's main thread; throws nothing but std::bad_alloc.

#include "credentials/credential_helper_protocol.h"
#include "credentials/credential_store.h"

#include <exception>
#include <string_view>

namespace sorvalind {

inline constexpr std::int32_t credentialHelperRefusal = -25293;

CredentialHelperResponse answerCredentialHelperInput(CredentialStore& store, std::string_view input);

// The response for a failure caught while answering.
CredentialHelperResponse credentialHelperFailure(const std::exception_ptr& failure) noexcept;

} // namespace sorvalind
