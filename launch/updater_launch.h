#pragma once
// LaunchWayspanner: finds the updater in a directory, starts it with the
// bootstrap's own arguments plus its own, and judges the start. Nothing is
// shown; the outcome is the LaunchResult. Lasting effects: the current
// directory becomes the launch directory and the error mode gains 0x8003.
// Main thread; waits up to 15 seconds per candidate started, serving the
// window's messages meanwhile (waitServingMessages).
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

enum LaunchStatus : int32_t {
  Started = 0,      // an updater started and passed the start-up check
  NotFound = 1,     // no candidate of either group exists
  StartFailed = 2,  // every candidate tried failed
};

struct LaunchResult {
  LaunchStatus code;
  DWORD pid;  // the started updater's id, else 0
  // The started updater's own process, kept open (closed with the last copy):
  // an updater that ends within the start check still gives its exit code,
  // and its id alone could by then name another process. Null unless Started.
  std::shared_ptr<void> process;
};

class LaunchWayspanner {
 public:
  LaunchWayspanner() = delete;

  // The updater installed beside the bootstrap.
  static LaunchResult launch();
  // The updater extracted into directory.
  static LaunchResult launch_bootstraped(const std::wstring& directory);
  // The same, told to repair the installation.
  static LaunchResult launch_bootstraped_for_repair(const std::wstring& directory);

  static LaunchResult doLaunch(const std::wstring& directory, const std::vector<std::wstring>& extraArguments);
};
