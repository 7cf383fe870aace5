#pragma once
// The file unlocker's window: choose or drop a file or folder, see who holds it, end the
// chosen holders without freezing the window.
#include "common/ToolWindow.h"
#include "unlock/Unlock.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace qx::unlock {

class UnlockWindow : public tools::ToolWindow {
  public:
    UnlockWindow();
    void setPath(const QString& path);  // and scan it

  protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

  private:
    void scan();
    void endChosen();

    Scan scan_;
    QLineEdit* path_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* endButton_ = nullptr;
    QPushButton* scanButton_ = nullptr;
};

}  // namespace qx::unlock
