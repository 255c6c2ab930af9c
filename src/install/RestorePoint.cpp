// The System Restore point around the prerequisites: the beginning of an application install
// is announced before the first of them, and the same system change is ended with its number
// when they are over, so that the user can roll the machine back to the state before them.
#include "core/Bootstrapper.h"

#include <srrestoreptapi.h>

#include "core/BoundedString.h"
#include "core/HandleOwner.h"

namespace {

using SetRestorePointFn = BOOL(WINAPI*)(PRESTOREPOINTINFOA, PSTATEMGRSTATUS);

// System Restore's client library from the system folder and nowhere else: a file of that name
// beside the package or in the current folder must never be loaded, least of all with an
// administrator's rights. Its own dependencies are looked for beside it first.
ModuleHandle LoadSystemRestoreClient() {
  char path[MAX_PATH] = {};
  UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return ModuleHandle();
  const char kFileName[] = "\\srclient.dll";
  if (AppendCut(path, kFileName) != length + sizeof(kFileName) - 1) return ModuleHandle();
  return ModuleHandle(LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

// The decimal text of a sequence number, without relying on the log's formatter for 64 bits.
struct SequenceText {
  explicit SequenceText(INT64 number) { FormatCut(text, "%lld", static_cast<long long>(number)); }
  char text[24] = {};
};

}  // namespace

void Bootstrapper::CreateSystemRestorePoint() {
  RESTOREPOINTINFOA request = {};
  request.dwEventType = BEGIN_SYSTEM_CHANGE;
  request.dwRestorePtType = APPLICATION_INSTALL;
  request.llSequenceNumber = 0;
  char format[500] = {};
  if (m_hLanguageModule != nullptr) LoadMessage<IDS_RESTORE_POINT, 1>(m_hLanguageModule, format, sizeof(format));
  if (format[0] != '\0') FormatCut(request.szDescription, format, m_szDisplayName);

  ModuleHandle client = LoadSystemRestoreClient();
  if (!client) {
    LogMessage(this, "CreateSystemRestorePoint - System Restore is not present.");
    return;
  }
  auto setRestorePoint = reinterpret_cast<SetRestorePointFn>(GetProcAddress(client.get(), "SRSetRestorePointA"));
  if (setRestorePoint == nullptr) {
    DWORD error = GetLastError();
    LogMessage(this, "CreateSystemRestorePoint - Failed to find SRSetRestorePoint with error: %lu.", error);
    return;
  }

  STATEMGRSTATUS status = {};
  if (setRestorePoint(&request, &status)) {
    m_bRestorePointBegun = TRUE;
    m_llRestorePointSequence = status.llSequenceNumber;
    LogMessage(this, "CreateSystemRestorePoint - Restore point created; number=%s.\n",
               SequenceText(status.llSequenceNumber).text);
  } else if (status.nStatus == ERROR_SERVICE_DISABLED) {
    LogMessage(this, "CreateSystemRestorePoint - System Restore is turned off.");
  } else {
    LogMessage(this, "CreateSystemRestorePoint - Failure to create the restore point with error: %lu.",
               status.nStatus);
  }
}

void Bootstrapper::EndSystemRestorePoint() {
  if (!m_bRestorePointBegun) return;
  m_bRestorePointBegun = FALSE;
  SequenceText number(m_llRestorePointSequence);

  // Ended, never cancelled: the point before the prerequisites stays, most of all after a failure.
  RESTOREPOINTINFOA request = {};
  request.dwEventType = END_SYSTEM_CHANGE;
  request.dwRestorePtType = APPLICATION_INSTALL;
  request.llSequenceNumber = m_llRestorePointSequence;

  ModuleHandle client = LoadSystemRestoreClient();
  auto setRestorePoint =
      client ? reinterpret_cast<SetRestorePointFn>(GetProcAddress(client.get(), "SRSetRestorePointA")) : nullptr;
  if (setRestorePoint == nullptr) {
    DWORD error = GetLastError();
    LogMessage(this, "EndSystemRestorePoint - System Restore could not be reached to end restore point %s; error: %lu.",
               number.text, error);
    return;
  }
  STATEMGRSTATUS status = {};
  if (setRestorePoint(&request, &status))
    LogMessage(this, "EndSystemRestorePoint - Restore point ended; number=%s.", number.text);
  else
    LogMessage(this, "EndSystemRestorePoint - Failure to end restore point %s with error: %lu.", number.text,
               status.nStatus);
}
