#include "trust/ReparseTags.h"

namespace {

constexpr uint32_t kNameSurrogate = 0x20000000;
constexpr uint32_t kMountPoint = 0xA0000003;
constexpr uint32_t kSymbolicLink = 0xA000000C;
constexpr uint32_t kAppExecutionAlias = 0x8000001B;
// Cloud files take sixteen tags, told apart by the bits that this mask clears.
constexpr uint32_t kCloudMask = 0xFFFF0FFF;
constexpr uint32_t kCloud = 0x9000001A;

}  // namespace

bool IsDataReparseTag(uint32_t tag) {
  switch (tag) {
    case 0xC0000004:  // HSM
    case 0x80000006:  // HSM2
    case 0x80000013:  // deduplication
    case 0x80000017:  // WOF, Windows' compressed system files
    case 0x8000001E:  // storage sync
      return true;
    default:
      return (tag & kCloudMask) == kCloud;
  }
}

const char* ReparseTagText(uint32_t tag) {
  if (tag == kMountPoint) return "a junction or a mount point";
  if (tag == kSymbolicLink) return "a symbolic link";
  if (tag == kAppExecutionAlias) return "an app execution alias";
  if ((tag & kNameSurrogate) != 0) return "a link of another kind";
  return "a reparse point of another kind";
}
