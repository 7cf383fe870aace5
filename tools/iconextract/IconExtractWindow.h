#pragma once
// The icon extractor's window: open an executable, a desktop entry or an icon file, or name an
// icon of the theme; preview every size; export one or all.
#include <vector>

#include "common/ToolWindow.h"
#include "iconextract/IconExtract.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace qx::iconextract {

class IconExtractWindow : public tools::ToolWindow {
  public:
    IconExtractWindow();
    void openFile(const QString& path);

  protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

  private:
    void showSets(std::vector<IconSet> sets, const QString& source);
    void showSizes();
    void lookUpName();
    const IconSet* currentSet() const;
    void exportIco();
    void exportPng();
    void exportAll();

    IconThemes themes_;
    std::vector<IconSet> sets_;
    QLineEdit* name_ = nullptr;
    QLabel* source_ = nullptr;
    QListWidget* setList_ = nullptr;
    QListWidget* sizes_ = nullptr;
};

}  // namespace qx::iconextract
