#include "ScanDataList.h"

namespace equ {

TScanDataItem& TScanDataList::AddDataItem(WideString scanData, WideString scanDataLabel,
                                          std::int32_t scanDataType) {
  items_.push_back(std::make_unique<TScanDataItem>(this, std::move(scanData),
                                                   std::move(scanDataLabel), scanDataType));
  items_.back()->FId = ++lastId_;
  return *items_.back();
}

std::int32_t TScanDataList::IndexOfId(std::uint64_t id) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->Id() == id) return static_cast<std::int32_t>(i);
  }
  return -1;
}

TScanDataItem* TScanDataList::GetDataItem(std::int32_t index) {
  return Contains(index) ? items_[static_cast<std::size_t>(index)].get() : nullptr;
}

void TScanDataList::DeleteDataItem(std::int32_t index) {
  if (Contains(index)) items_.erase(items_.begin() + index);
}

void TScanDataList::PutDataItem(std::int32_t index, std::unique_ptr<TScanDataItem> item) {
  if (!Contains(index) || !item) return;
  // A new item for the list: it gets an Id of its own, as if it had been added.
  item->FId = ++lastId_;
  items_[static_cast<std::size_t>(index)] = std::move(item);
}

}  // namespace equ
