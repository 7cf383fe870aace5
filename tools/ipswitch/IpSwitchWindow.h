#pragma once
// The network address switcher's window: the interfaces as they are now, the saved profiles
// with their form, and applying a profile to a NetworkManager connection.
#include <vector>

#include "common/ToolWindow.h"
#include "ipswitch/IpSwitch.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace qx::ipswitch {

class IpSwitchWindow : public tools::ToolWindow {
  public:
    IpSwitchWindow();

  private:
    void refreshInterfaces();
    void refreshConnections();
    void showProfile(int row);
    Profile formProfile() const;
    void saveProfile();
    void removeProfile();
    void applyProfile();

    std::string path_;
    std::vector<Profile> profiles_;
    QTreeWidget* interfaces_ = nullptr;
    QLabel* dns_ = nullptr;
    QListWidget* list_ = nullptr;
    QLineEdit* name_ = nullptr;
    QCheckBox* dhcp_ = nullptr;
    QLineEdit* address_ = nullptr;
    QLineEdit* mask_ = nullptr;
    QLineEdit* gateway_ = nullptr;
    QLineEdit* dnsEdit_ = nullptr;
    QComboBox* connection_ = nullptr;
    QPushButton* apply_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace qx::ipswitch
