#include "trust/OthersMayChange.h"

#include <aclapi.h>
#include <lm.h>
#include <sddl.h>

#include <algorithm>
#include <vector>

#include "core/BoundedString.h"
#include "core/PathText.h"
#include "trust/Token.h"

namespace {

std::string SidText(PSID sid) {
  char* text = nullptr;
  if (sid == nullptr || !ConvertSidToStringSidA(sid, &text)) return "";
  std::string result = text;
  LocalFree(text);
  return result;
}

DWORD ReadObjectSecurity(HANDLE object, ObjectSecurity& security, bool& kept) {
  security = ObjectSecurity();
  DWORD flags = 0;
  kept = !GetVolumeInformationByHandleW(object, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) ||
         (flags & FILE_PERSISTENT_ACLS) != 0;
  if (!kept) return ERROR_SUCCESS;
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD error = GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                                nullptr, &dacl, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) return error;
  security.owner = SidText(owner);
  security.nullDacl = dacl == nullptr;
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; i++) {
    ACE_HEADER* header = nullptr;
    if (!GetAce(dacl, i, reinterpret_cast<void**>(&header))) continue;
    // The plain and the conditional kinds; an entry for one kind of object alone is weighed as one
    // for every object, which can only name more.
    PSID sid = nullptr;
    ACCESS_MASK rights = 0;
    if (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE ||
        header->AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE) {
      auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
      sid = &ace->SidStart;
      rights = ace->Mask;
    } else if (header->AceType == ACCESS_ALLOWED_OBJECT_ACE_TYPE ||
               header->AceType == ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE) {
      auto* ace = reinterpret_cast<ACCESS_ALLOWED_OBJECT_ACE*>(header);
      BYTE* start = reinterpret_cast<BYTE*>(&ace->ObjectType);
      if (ace->Flags & ACE_OBJECT_TYPE_PRESENT) start += sizeof(GUID);
      if (ace->Flags & ACE_INHERITED_OBJECT_TYPE_PRESENT) start += sizeof(GUID);
      sid = start;
      rights = ace->Mask;
    } else {
      continue;  // a deny of another kind takes nothing away that is weighed
    }
    AccessEntry entry;
    entry.allows = header->AceType != ACCESS_DENIED_ACE_TYPE;
    entry.inheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
    entry.rights = rights;
    entry.sid = SidText(sid);
    security.entries.push_back(entry);
  }
  LocalFree(descriptor);
  return ERROR_SUCCESS;
}

// The members of the Administrators group, asked for once and only when a rule meets someone
// else: a file that an administrator put there as himself is as safe as one the group owns.
// (At namespace scope: a local static of this kind would bring in the runtime's guard for it,
// and with it the exception machinery.)
std::vector<std::string> g_administratorMembers;
bool g_administratorMembersAsked = false;

const std::vector<std::string>& AdministratorMembers() {
  std::vector<std::string>& members = g_administratorMembers;
  if (g_administratorMembersAsked) return members;
  g_administratorMembersAsked = true;
  BYTE administrators[SECURITY_MAX_SID_SIZE] = {};
  DWORD size = sizeof(administrators);
  wchar_t name[256] = {};
  wchar_t domain[256] = {};
  DWORD nameSize = 256, domainSize = 256;
  SID_NAME_USE use;
  if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) ||
      !LookupAccountSidW(nullptr, administrators, name, &nameSize, domain, &domainSize, &use))
    return members;
  BYTE* buffer = nullptr;
  DWORD read = 0, total = 0;
  if (NetLocalGroupGetMembers(nullptr, name, 0, &buffer, MAX_PREFERRED_LENGTH, &read, &total, nullptr) == NERR_Success)
    for (DWORD i = 0; i < read; i++)
      members.push_back(SidText(reinterpret_cast<LOCALGROUP_MEMBERS_INFO_0*>(buffer)[i].lgrmi0_sid));
  if (buffer != nullptr) NetApiBufferFree(buffer);
  return members;
}

// An account's name as the log and the messages give it ("BUILTIN\Users"), or its SID.
std::string AccountName(const std::string& sidText) {
  PSID sid = nullptr;
  if (!ConvertStringSidToSidA(sidText.c_str(), &sid)) return sidText;
  char name[256] = {};
  char domain[256] = {};
  DWORD nameSize = sizeof(name), domainSize = sizeof(domain);
  SID_NAME_USE use;
  std::string shown = sidText;
  if (LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
    shown = domain[0] != '\0' ? std::string(domain) + "\\" + name : std::string(name);
  LocalFree(sid);
  return shown;
}

// Judges one object; true when someone else can change it, with the verdict filled in.
bool OtherMayChange(HANDLE object, HeldPlace place, const std::string& where, const std::string& user,
                    ChangeVerdict& verdict) {
  ObjectSecurity security;
  bool kept = true;
  DWORD error = g_ReadObjectSecurity(object, security, kept);
  if (error == ERROR_SUCCESS && !kept) {
    verdict.judged = false;
    return false;
  }
  if (error != ERROR_SUCCESS) {
    char unknown[100] = {};
    FormatCut(unknown, "anyone, as far as can be told (its owner and access could not be read; error %lu)", error);
    verdict.who = unknown;
    verdict.where = where;
    return true;
  }
  for (const std::string& sid : WhoMayChange(security, place)) {
    if (sid == user) continue;
    const std::vector<std::string>& members = AdministratorMembers();
    if (std::find(members.begin(), members.end(), sid) != members.end()) continue;
    verdict.who = AccountName(sid);
    verdict.where = where;
    return true;
  }
  return false;
}

}  // namespace

ReadObjectSecurityFn g_ReadObjectSecurity = ReadObjectSecurity;

ChangeVerdict JudgeHeldFile(const HeldPath& folders, HANDLE file, const char* name) {
  ChangeVerdict verdict;
  const std::string user = UserSidString();
  char path[MAX_PATH] = {};
  if (!JoinFolderAndName(folders.folder(), name, path, sizeof(path))) CopyCut(path, name);
  if (OtherMayChange(file, HeldPlace::kFile, path, user, verdict)) return verdict;
  // From the file's folder up: who can empty a folder, or rename one, decides what the path names.
  for (size_t index = folders.count(); index-- > 0;) {
    folders.PathOf(index, path);
    HeldPlace place = index + 1 == folders.count() ? HeldPlace::kFileFolder : HeldPlace::kFolderAbove;
    if (OtherMayChange(folders.handle(index), place, path, user, verdict)) return verdict;
  }
  return verdict;
}
