#include "credential_helper.h"

int main() {
    sorvalind::CredentialHelper::main();
    return 0;
}
