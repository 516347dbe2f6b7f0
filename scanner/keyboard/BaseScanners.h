#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "equipment/common/WideString.h"
#include "scanner/keyboard/ScannerDefinition.h"

namespace equ {

class CodePage;
class XmlDocument;

// An owning list of scanner definitions. Removing, replacing or clearing items frees them.
// In design mode Add keeps prefix and postfix exactly as given (character codes such as "#013"
// stay text), which is how a list is edited as text; otherwise the codes are decoded.
class TBaseScanners {
 public:
  // `xml` writes and reads the definitions file (SaveToXML, LoadFromXML); `codePage` holds
  // the definitions' single-byte texts. Raises std::logic_error when either is missing.
  TBaseScanners(std::shared_ptr<const XmlDocument> xml, std::shared_ptr<const CodePage> codePage);
  virtual ~TBaseScanners();
  TBaseScanners(const TBaseScanners&) = delete;
  TBaseScanners& operator=(const TBaseScanners&) = delete;

  // Makes a definition and appends it; its Number becomes its position (1-based). Texts
  // longer than 255 bytes in the ANSI code page are cut.
  virtual TScanner* Add(const WideString& prefix, const WideString& postfix);
  // Appends an existing definition unchanged; answers its index (-1 for no definition).
  std::int32_t Add(std::unique_ptr<TScanner> item);
  virtual void Clear();

  std::int32_t Count() const { return static_cast<std::int32_t>(FItems.size()); }
  // No definition when index is out of range.
  TScanner* Get(std::int32_t index) const;
  // Replaces (and frees) the definition at index; false when index is out of range.
  bool Put(std::int32_t index, std::unique_ptr<TScanner> item);
  bool Delete(std::int32_t index);

  bool DesignMode() const { return FDesgnMode; }
  void SetDesignMode(bool value) { FDesgnMode = value; }

  // The definitions as XML text: root "scanners", one "item" with "prefix" and "postfix" per
  // definition, declared as windows-1251.
  WideString SaveToXML() const;
  // Replaces the definitions with those of `text`, each added through the virtual Add. Raises
  // equ::Exception when the text is not XML (the list is empty by then) or when a "prefix" or
  // "postfix" holds elements instead of text (the items before it stay added).
  void LoadFromXML(const WideString& text);

 private:
  bool IsIndex(std::int32_t index) const { return index >= 0 && index < Count(); }

  std::vector<std::unique_ptr<TScanner>> FItems;
  bool FDesgnMode = false;
  std::shared_ptr<const XmlDocument> FXml;
  std::shared_ptr<const CodePage> FCodePage;
};

}  // namespace equ
