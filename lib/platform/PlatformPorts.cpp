#include "PlatformPorts.h"

#include <utility>

namespace equ {

PlatformPorts& Platform() {
  static PlatformPorts ports = CreateDefaultPlatformPorts();
  return ports;
}

ScopedPlatformPorts::ScopedPlatformPorts(PlatformPorts replacement) : saved_(Platform()) {
  PlatformPorts& current = Platform();
  if (replacement.locale) current.locale = std::move(replacement.locale);
  if (replacement.module) current.module = std::move(replacement.module);
  if (replacement.folders) current.folders = std::move(replacement.folders);
  if (replacement.guids) current.guids = std::move(replacement.guids);
  if (replacement.clock) current.clock = std::move(replacement.clock);
  if (replacement.codePage) current.codePage = std::move(replacement.codePage);
  if (replacement.logFiles) current.logFiles = std::move(replacement.logFiles);
  if (replacement.system) current.system = std::move(replacement.system);
  if (replacement.windowFocus) current.windowFocus = std::move(replacement.windowFocus);
  if (replacement.messageWindows) current.messageWindows = std::move(replacement.messageWindows);
  if (replacement.mutexes) current.mutexes = std::move(replacement.mutexes);
  if (replacement.sharedMemory) current.sharedMemory = std::move(replacement.sharedMemory);
  if (replacement.processHeap) current.processHeap = std::move(replacement.processHeap);
  if (replacement.textLogWindows) current.textLogWindows = std::move(replacement.textLogWindows);
  if (replacement.xml) current.xml = std::move(replacement.xml);
  if (replacement.textCase) current.textCase = std::move(replacement.textCase);
  if (replacement.keyTranslator) current.keyTranslator = std::move(replacement.keyTranslator);
  if (replacement.keyboardThreads) {
    current.keyboardThreads = std::move(replacement.keyboardThreads);
  }
  if (replacement.serialPorts) current.serialPorts = std::move(replacement.serialPorts);
  if (replacement.callTrace) current.callTrace = std::move(replacement.callTrace);
  if (replacement.dialogDesktop) current.dialogDesktop = std::move(replacement.dialogDesktop);
  if (replacement.settingsViews) current.settingsViews = std::move(replacement.settingsViews);
}

ScopedPlatformPorts::~ScopedPlatformPorts() {
  Platform() = std::move(saved_);
}

}  // namespace equ
