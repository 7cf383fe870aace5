#pragma once
// The start-up item editor's window: the entries of the user and of the system, a form to add
// a program, and enable / disable / remove.
#include <vector>

#include "autostart/Autostart.h"
#include "common/ToolWindow.h"

class QLineEdit;
class QTableWidget;

namespace qx::autostart {

class AutostartWindow : public tools::ToolWindow {
  public:
    explicit AutostartWindow(Dirs dirs = dirsFromEnvironment());

  private:
    void refresh(const std::string& selectId = {});
    const Entry* selected() const;
    void add();
    void enable(bool on);
    void remove();

    Dirs dirs_;
    std::vector<Entry> entries_;
    QTableWidget* table_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* command_ = nullptr;
    QLineEdit* arguments_ = nullptr;
    QLineEdit* comment_ = nullptr;
};

}  // namespace qx::autostart
