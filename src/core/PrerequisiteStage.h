// What surrounds the prerequisites when the setup type asks for a progress bar: the restore
// point and the progress dialog. Both begin before the first prerequisite and end on every way
// out of the prerequisites (all done, a failure, a declined restart), before the restart prompt,
// the main installer or the teardown. A restart ends them itself before it is asked for
// (RestartComputer), since the process may not outlive the request.
#pragma once
#include "core/Bootstrapper.h"

class PrerequisiteStage {
 public:
  PrerequisiteStage(Bootstrapper& bootstrapper, bool showProgress)
      : m_bootstrapper(bootstrapper), m_showProgress(showProgress) {
    if (!m_showProgress) return;
    m_bootstrapper.CreateSystemRestorePoint();
    m_bootstrapper.StartProgressDialog();
  }
  ~PrerequisiteStage() { End(); }
  // Once, on the first call or at scope end. The restore point is ended while the dialog still
  // asks the user to wait.
  void End() {
    if (!m_showProgress) return;
    m_showProgress = false;
    m_bootstrapper.EndSystemRestorePoint();
    m_bootstrapper.CloseProgressDialog();
  }
  PrerequisiteStage(const PrerequisiteStage&) = delete;
  PrerequisiteStage& operator=(const PrerequisiteStage&) = delete;

 private:
  Bootstrapper& m_bootstrapper;
  bool m_showProgress;
};
