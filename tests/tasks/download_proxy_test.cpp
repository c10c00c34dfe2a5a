// How the lines name the player's proxy: never with the credentials, whatever the password holds.
#include "tasks/download_proxy.h"

#include <gtest/gtest.h>

TEST(ProxyName, KeepsTheHostAndPortOnly) {
  const wchar_t* const rows[][2] = {
      {L"user:p/ss@127.0.0.1:8080", L"127.0.0.1:8080"}, {L"http=user:se;cret@127.0.0.1:8080", L"127.0.0.1:8080"},
      {L"user:pa ss@127.0.0.1:8080", L"127.0.0.1:8080"}, {L"user:p=ss@127.0.0.1:8080", L"127.0.0.1:8080"},
      {L"http=127.0.0.1:8080;https=127.0.0.1:8443", L"http=127.0.0.1:8080;https=127.0.0.1:8443"}};
  for (const auto& row : rows) EXPECT_EQ(proxyName(row[0]), row[1]) << row[0];
}
