#pragma once

#include <memory>

#include "BaseDevice.h"
#include "ScanDataList.h"

namespace equ {

// The base of every barcode scanner: the device type "Scanner", the scanner settings, the
// three scanner host methods and the scan queue. A concrete scanner hands each barcode to
// AddScanData; the queue offers the oldest item to the manager as the data event "ScanData"
// while events are on, and an item leaves only when its event is accepted or the host takes it.
// The manager may call back inside its data event (GetScanData, GetDataCount,
// EnableDataEvents, SetSettings, a scan arriving meanwhile): the item under offer is the
// event's and not the host's to fetch, and the offering going on is never started again.
class TBaseScanner : public TBaseDevice {
 public:
  TScanDataList& ScanDataList() { return *FScanDataList; }
  bool EventEnabled() const { return FEventEnabled; }
  // True sends what is pending at once.
  void SetEventEnabled(bool value);

  WideString Prefix() const { return GetSettingValueStr(u"Prefix"); }
  WideString Postfix() const { return GetSettingValueStr(u"Postfix"); }
  bool AutoDisableDataEvent() const { return GetSettingValueBool(u"AutoDisableDataEvent"); }

  // Queues a barcode and offers it. A data event that fails (no manager) leaves the item
  // queued and raises to the caller.
  void AddScanData(const WideString& scanData, const WideString& scanDataLabel,
                   std::int32_t scanDataType);

  std::int32_t EnableDataEvents(bool enable, std::int32_t timeOut, WideString& resultDescription);
  std::int32_t GetDataCount(std::int32_t& count, std::int32_t timeOut,
                            WideString& resultDescription);
  std::int32_t GetScanData(WideString& scanData, WideString& scanDataLabel,
                           std::int32_t& scanDataType, std::int32_t timeOut,
                           WideString& resultDescription);

 protected:
  void RegisterMethods() override;
  void RegisterSettings() override;
  void OnSettingsChanged() override;
  void OnSetDeviceInfo() override;
  std::int32_t OnEnable(WideString& resultDescription) override;
  std::int32_t OnDisable(WideString& resultDescription) override;
  void OnInitialize() override;
  void OnDestroy() override;

  std::int32_t HostEnableDataEvents(Variant& inData, Variant& outData, std::int32_t timeOut,
                                    WideString& resultDescription);
  std::int32_t HostGetDataCount(Variant& inData, Variant& outData, std::int32_t timeOut,
                                WideString& resultDescription);
  std::int32_t HostGetScanData(Variant& inData, Variant& outData, std::int32_t timeOut,
                               WideString& resultDescription);

 private:
  void SendDataEvents();
  bool SendFirstDataEvent();
  // The oldest item the host may fetch: any but the one under offer.
  TScanDataItem* FirstFetchableItem();
  bool IsUnderOffer(const TScanDataItem& item) const;

  std::unique_ptr<TScanDataList> FScanDataList = std::make_unique<TScanDataList>();
  bool FEventEnabled = false;
  // An offering is going on (SendDataEvents is on the stack).
  bool FSending = false;
  // Id of the item whose data event is being delivered; 0 when none.
  std::uint64_t FOfferedItem = 0;
  // A scan arrived during an offering with AutoDisableDataEvent set: events go off once the
  // offering is done.
  bool FDisableAfterSending = false;
};

}  // namespace equ
