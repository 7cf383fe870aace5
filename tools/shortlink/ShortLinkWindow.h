#pragma once
// The link shortener's window: the service, the long address, the short one, copy.
#include <stop_token>

#include "common/ToolWindow.h"
#include "shortlink/ShortLink.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qx::shortlink {

class ShortLinkWindow : public tools::ToolWindow {
  public:
    ShortLinkWindow();
    ~ShortLinkWindow() override;

  private:
    void generate();

    std::stop_source stop_;
    QComboBox* service_ = nullptr;
    QLineEdit* address_ = nullptr;
    QLineEdit* result_ = nullptr;
    QPushButton* generate_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace qx::shortlink
