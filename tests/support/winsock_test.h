#pragma once
// A test fixture with Windows Sockets started, as the program starts them for the
// monitor's libraries.
#include <winsock2.h>

#include <gtest/gtest.h>

class WinsockTest : public testing::Test {
 protected:
  void SetUp() override { WSAStartup(MAKEWORD(1, 1), &winsock_); }
  void TearDown() override { WSACleanup(); }

 private:
  WSADATA winsock_{};
};
