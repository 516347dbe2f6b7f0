#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "WideString.h"

namespace equ {

class TScanDataList;

// One scanned barcode waiting in the queue.
class TScanDataItem {
 public:
  explicit TScanDataItem(TScanDataList* owner) : FOwner(owner) {}
  TScanDataItem(TScanDataList* owner, WideString scanData, WideString scanDataLabel,
                std::int32_t scanDataType)
      : FScanData(std::move(scanData)),
        FScanDataLabel(std::move(scanDataLabel)),
        FScanDataType(scanDataType),
        FOwner(owner) {}

  const WideString& ScanData() const { return FScanData; }
  const WideString& ScanDataLabel() const { return FScanDataLabel; }
  std::int32_t ScanDataType() const { return FScanDataType; }
  TScanDataList* Owner() const { return FOwner; }
  // Tells this item apart from every other item its list has held (0: not given by a list).
  std::uint64_t Id() const { return FId; }

 private:
  friend class TScanDataList;
  WideString FScanData;       // as read
  WideString FScanDataLabel;  // as shown to the host
  std::int32_t FScanDataType = 0;
  TScanDataList* FOwner;
  std::uint64_t FId = 0;
};

// The scan queue, oldest first. It owns its items: an item that leaves the list is freed.
class TScanDataList {
 public:
  TScanDataItem& AddDataItem(WideString scanData, WideString scanDataLabel,
                             std::int32_t scanDataType);
  // nullptr when the index is outside the list.
  TScanDataItem* GetDataItem(std::int32_t index);
  TScanDataItem* GetFirstDataItem() { return GetDataItem(0); }
  void DeleteDataItem(std::int32_t index);
  void DeleteFirstDataItem() { DeleteDataItem(0); }
  // The position of the item with this Id; -1 when it is no longer in the list.
  std::int32_t IndexOfId(std::uint64_t id) const;
  void PutDataItem(std::int32_t index, std::unique_ptr<TScanDataItem> item);
  std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }
  void Clear() { items_.clear(); }

 private:
  bool Contains(std::int32_t index) const { return index >= 0 && index < Count(); }
  std::vector<std::unique_ptr<TScanDataItem>> items_;
  std::uint64_t lastId_ = 0;
};

}  // namespace equ
