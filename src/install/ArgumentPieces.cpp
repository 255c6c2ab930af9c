#include "install/ArgumentPieces.h"

#include <cstring>

#include "core/BoundedString.h"
#include "install/PassThroughEscapes.h"

namespace {

// A property the engine sets for a Windows Installer run, unless its Arguments set it already.
struct Property {
  bool ArgumentConditions::*wanted;
  const char* name;   // as found in the Arguments: "REINSTALL="
  const char* piece;  // " REINSTALL=ALL"
};

const Property kProperties[] = {
    {&ArgumentConditions::reinstall, "REINSTALL=", " REINSTALL=ALL"},
    {&ArgumentConditions::reinstall, "REINSTALLMODE=", " REINSTALLMODE=vomus"},
    {&ArgumentConditions::removeShared, "REMOVESHARED=", " REMOVESHARED=1"},
    {&ArgumentConditions::allowXddm, "ALLOWXDDM=", " ALLOWXDDM=1"},
    {&ArgumentConditions::quiet, "IGNOREERROR=", " IGNOREERROR=1"},
};

class Pieces {
 public:
  Pieces(char* arguments, size_t size, ArgumentsEngine& engine) : m_arguments(arguments), m_size(size), m_engine(engine) {}

  bool Present(const char* text) const { return strstr(m_arguments, text) != nullptr; }

  void Add(const char* piece) {
    if (!m_whole) return;
    m_whole = bounded::AppendWhole(m_arguments, m_size, piece);
    if (!m_whole) m_engine.Log("AddToArguments - There is no room for \"%s\" in the command line.", piece);
  }

  // "Did not add the REINSTALL property.", from its name as found in the Arguments.
  void NotAdded(const char* name) {
    char property[32] = {};
    bounded::Copy(property, sizeof(property), name, strlen(name) - 1);
    m_engine.Log("AddToArguments - Did not add the %s property.", property);
  }

  bool whole() const { return m_whole; }

 private:
  char* m_arguments;
  size_t m_size;
  ArgumentsEngine& m_engine;
  bool m_whole = true;
};

}  // namespace

bool AddArgumentPieces(char* arguments, size_t size, const ArgumentConditions& conditions, ArgumentsEngine& engine) {
  Pieces pieces(arguments, size, engine);
  if (conditions.msi && conditions.addSourceDir) {
    if (pieces.Present("SOURCE_DIR=")) {
      engine.Log("AddToArguments - Did not add bootstrapper source directory.", "");
    } else {
      char piece[300] = {};
      FormatCut(piece, " SOURCE_DIR=\"%s\"", engine.SourceDir());
      pieces.Add(piece);
    }
  }

  for (const Property& property : kProperties) {
    if (!(conditions.*property.wanted)) continue;
    if (!conditions.msi || pieces.Present(property.name))
      pieces.NotAdded(property.name);
    else
      pieces.Add(property.piece);
  }

  // Pass-through commands reach every kind of installer, under the name the setup type gave it.
  if (conditions.passThrough != nullptr) {
    for (const auto& [installer, command] : *conditions.passThrough)
      if (installer == conditions.section) pieces.Add(PassThroughPiece(command).c_str());
  }

  // A verbose Windows Installer log beside the package's own, unless a log switch is given; none
  // is made for an installer that will not run.
  if (pieces.whole() && conditions.log && conditions.msi && !pieces.Present("/l")) {
    char msiLog[260] = {};
    if (engine.PrepareMsiLogPath(msiLog)) {
      char piece[300] = {};
      FormatCut(piece, " /l*v \"%s\"", msiLog);
      pieces.Add(piece);
    }
  }

  if (conditions.speechSuppressed) {
    if (!conditions.msi || pieces.Present("SUPPRESS_RUNTIME_SPEECH=")) {
      pieces.NotAdded("SUPPRESS_RUNTIME_SPEECH=");
    } else {
      pieces.Add(" SUPPRESS_RUNTIME_SPEECH=1");
      if (pieces.whole()) engine.Log("AddToArguments - Added the SUPPRESS_RUNTIME_SPEECH property.", "");
    }
  }
  return pieces.whole();
}
