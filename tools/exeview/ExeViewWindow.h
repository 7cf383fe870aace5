#pragma once
// The resource editor's window: the tree on the left, the chosen part on the right, export of a
// resource's raw bytes; for a Windows program also edits (a version string, an icon group from an
// .ico file, any resource's bytes from a file), kept in memory until saved as a new file.
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
    // The resource the edit is about: the chosen one when it is of `type` (0: any), else the
    // file's only one of that type; -1 with a message when there is none.
    int editTarget(std::uint32_t type);
    void editVersion();
    void replaceIcon();
    void replaceData();
    void saveAs();
    void edited(const QString& what, std::uint32_t type, std::uint32_t id, std::uint32_t language);
    void updateButtons();

    tools::ExecutableInfo info_;
    int resource_ = -1;
    QString path_;
    std::string image_;      // the open file's bytes, when it can be edited
    std::string editError_;  // why it cannot, for a Windows program
    bool dirty_ = false;
    QLabel* file_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QStackedWidget* views_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    QWidget* imagePage_ = nullptr;
    QPlainTextEdit* imageText_ = nullptr;
    QListWidget* images_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* version_ = nullptr;
    QPushButton* icon_ = nullptr;
    QPushButton* data_ = nullptr;
    QPushButton* save_ = nullptr;
};

}  // namespace qx::exeview
