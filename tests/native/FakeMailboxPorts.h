#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/SharedMemory.h"

namespace equ::testing {

// Shared memory held in this process, so parallel test runs never meet.
class InProcessSharedMemory : public SharedMemory {
 public:
  std::map<WideString, std::shared_ptr<std::vector<std::byte>>> objects;
  bool failCreate = false;

  ViewResult Open(const WideString& name) override {
    auto it = objects.find(name);
    if (it == objects.end()) return PortFailure(u"Не удается найти указанный файл.");
    return std::make_unique<View>(it->second, [] {});
  }
  ViewResult Create(const WideString& name, std::size_t size) override {
    if (failCreate) return PortFailure(u"Отказано в доступе.");
    auto& object = objects[name];
    if (!object) object = std::make_shared<std::vector<std::byte>>(size);
    // Like a mapping, the object exists while a view of it is open.
    return std::make_unique<View>(object, [this, name] { objects.erase(name); });
  }

 private:
  class View : public SharedMemoryView {
   public:
    View(std::shared_ptr<std::vector<std::byte>> bytes, std::function<void()> onClose)
        : bytes_(std::move(bytes)), onClose_(std::move(onClose)) {}
    ~View() override { onClose_(); }
    std::span<std::byte> Bytes() override { return *bytes_; }

   private:
    std::shared_ptr<std::vector<std::byte>> bytes_;
    std::function<void()> onClose_;
  };
};

}  // namespace equ::testing
