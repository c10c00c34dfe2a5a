// The window procedure's handling of closing and of requests from outside.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "app/state_machine.h"
#include "tasks/worker_messages.h"

namespace {

HWND makeWindow() {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = WndProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"WndProcTestWindow";
  RegisterClassW(&windowClass);
  return CreateWindowExW(0, L"WndProcTestWindow", L"", WS_POPUP, 0, 0, 350, 65, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

bool quitPosted() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) return true;
  }
  return false;
}

TEST(WindowProcedure, CloseDuringExtraction_EndsTheLoopAndLeavesTheWindowStanding) {
  HWND window = makeWindow();
  ASSERT_TRUE(window);
  _state = StateExtracting;
  EXPECT_EQ(SendMessageW(window, WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(quitPosted());
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(_state, StateExtracting);
  DestroyWindow(window);
}

TEST(WindowProcedure, RequestsFromOutside_ChangeNoState) {
  HWND window = makeWindow();
  ASSERT_TRUE(window);
  _state = StateExtracting;
  EXPECT_EQ(SendMessageW(window, WM_REPAINT_REQUEST, 0, 0), 0);
  EXPECT_EQ(SendMessageW(window, WM_DOWNLOAD_FINISHED, 0, 0), 0);   // not downloading
  EXPECT_EQ(SendMessageW(window, WM_PROCESS_FINISHED, 0, 0), 0);    // not installing
  EXPECT_EQ(SendMessageW(window, WM_ERASEBKGND, 0, 0), 1);
  EXPECT_EQ(_state, StateExtracting);
  EXPECT_FALSE(quitPosted());
  DestroyWindow(window);
}

}  // namespace
