#pragma once
// The process terminator's window: the process list with a name filter, and four ways to end
// the selected process.
#include <vector>

#include "common/Processes.h"
#include "common/ToolWindow.h"
#include "processkill/ProcessKill.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace qx::processkill {

class ProcessKillWindow : public tools::ToolWindow {
  public:
    ProcessKillWindow();

  private:
    void refresh();
    void showList();
    void end(Method method, bool force);
    const tools::ProcessInfo* selected() const;

    std::vector<tools::ProcessInfo> all_;
    std::vector<tools::ProcessInfo> shown_;
    QLineEdit* filter_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* count_ = nullptr;
    QCheckBox* forceMany_ = nullptr;
};

}  // namespace qx::processkill
