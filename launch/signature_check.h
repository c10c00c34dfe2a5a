#pragma once
// Authenticode check of a file that is about to run, for instance elevated:
// a file fetched over plain HTTP may have been replaced on the way. Any thread;
// no window is ever shown. Every failure (no wintrust.dll, no or a broken
// signature, an untrusted or revoked chain) is a false result.
#include <string>

// True when path carries an Authenticode signature that the system trusts.
bool hasValidSignature(const std::wstring& path);
