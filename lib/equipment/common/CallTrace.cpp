#include "CallTrace.h"

#include "DataFolders.h"
#include "Exceptions.h"
#include "LogTimeStamp.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Folders.h"
#include "platform/LogFiles.h"
#include "platform/PlatformPorts.h"

namespace equ {

namespace {

WideString TraceFolder(const WideString& debugLogDir) {
  const Folders& folders = *Platform().folders;
  if (!folders.DirectoryExists(debugLogDir)) return GetDefaultDataFolder();
  WideString folder = debugLogDir;
  if (folder.back() != u'\\' && folder.back() != u'/') folder += folders.PathDelimiter();
  return folder;
}

}  // namespace

WideString DailyTraceFile::FormatLine(const TraceLine& line) {
  WideString text =
      LogLineTimeStamp(Platform().clock->Now()) + u" Inst.: " + line.instanceId + u"\t" + line.name;
  if (!line.noText) text += u": \t" + line.text;
  return text;
}

void DailyTraceFile::WriteLine(const TraceLine& line) {
  const WideString file =
      TraceFolder(line.debugLogDir) + u"Debug_" + LogFileDate(Platform().clock->Now()) + u".log";
  const std::string bytes = Platform().codePage->ToAnsi(FormatLine(line) + u"\r\n");
  const PortStatus written = Platform().logFiles->Append(file, bytes, false);
  if (!written) throw Exception(written.error());
}

}  // namespace equ
