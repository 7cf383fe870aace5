#pragma once
// The resource viewer's window: the tree on the left, the chosen part on the right, export of a
// resource's raw bytes. It never changes a file.
#include "common/Executable.h"
#include "common/ToolWindow.h"
#include "exeview/ExeView.h"

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace qx::exeview {

class ExeViewWindow : public tools::ToolWindow {
  public:
    ExeViewWindow();
    void openFile(const QString& path);

  protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

  private:
    void showInfo(const tools::ExecutableInfo& info, const QString& path);
    void choose(QTreeWidgetItem* item);
    void exportRaw();

    tools::ExecutableInfo info_;
    int resource_ = -1;
    QLabel* file_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QStackedWidget* views_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    QWidget* imagePage_ = nullptr;
    QPlainTextEdit* imageText_ = nullptr;
    QListWidget* images_ = nullptr;
    QPushButton* export_ = nullptr;
};

}  // namespace qx::exeview
