#pragma once
// The Ed25519 public key whose signature a downloaded archive of a new version must
// carry. It is built into the program: a release build holds the release key; a test
// build (the CMake option RUNEBOX_UPDATE_TEST_KEY) holds instead the key whose private
// half is tests/data/update/test-signing-key.pem, so that the tests can sign archives.
// Nothing at run time chooses another key.

#include <QByteArray>

namespace update {

// The 32 bytes of the key.
QByteArray updatePublicKey();
// The build holds the test key.
bool isTestKeyBuild();

} // namespace update
