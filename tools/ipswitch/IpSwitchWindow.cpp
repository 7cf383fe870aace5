#include "ipswitch/IpSwitchWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/Background.h"
#include "common/Messages.h"
#include "common/Texts.h"

namespace qx::ipswitch {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

QString joined(const std::vector<std::string>& v, const QString& sep) {
    QStringList l;
    for (const std::string& s : v) l << q(s);
    return l.join(sep);
}

}  // namespace

IpSwitchWindow::IpSwitchWindow()
    : ToolWindow(QStringLiteral("IP设置"),
                 tools::aboutLine(QStringLiteral("IP设置"),
                                  QStringLiteral("通过 NetworkManager 切换 IPv4 地址方案")),
                 QSize(820, 560)),
      path_(profilesPath()),
      profiles_(loadProfiles(path_)) {
    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(0, 0, 0, 0);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("网络接口："), body()));
    top->addStretch(1);
    auto* refresh = new QPushButton(tools::kRefresh, body());
    top->addWidget(refresh);
    layout->addLayout(top);
    interfaces_ = new QTreeWidget(body());
    interfaces_->setRootIsDecorated(false);
    interfaces_->setHeaderLabels({QStringLiteral("接口"), QStringLiteral("状态"), QStringLiteral("IPv4 地址"),
                                  QStringLiteral("默认网关"), QStringLiteral("MAC 地址")});
    interfaces_->setColumnWidth(0, 110);
    interfaces_->setColumnWidth(1, 60);
    interfaces_->setColumnWidth(2, 220);
    interfaces_->setColumnWidth(3, 130);
    interfaces_->setMaximumHeight(150);
    layout->addWidget(interfaces_);
    dns_ = new QLabel(body());
    layout->addWidget(dns_);

    auto* middle = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("已保存的方案："), body()));
    list_ = new QListWidget(body());
    list_->setMaximumWidth(200);
    left->addWidget(list_, 1);
    middle->addLayout(left);

    auto* form = new QFormLayout;
    name_ = new QLineEdit(body());
    dhcp_ = new QCheckBox(QStringLiteral("自动获取 IP 地址（DHCP）"), body());
    address_ = new QLineEdit(body());
    mask_ = new QLineEdit(body());
    gateway_ = new QLineEdit(body());
    dnsEdit_ = new QLineEdit(body());
    address_->setPlaceholderText(QStringLiteral("例如 192.168.1.20"));
    mask_->setPlaceholderText(QStringLiteral("例如 255.255.255.0 或 24"));
    gateway_->setPlaceholderText(QStringLiteral("例如 192.168.1.1（可不填）"));
    dnsEdit_->setPlaceholderText(QStringLiteral("多个用逗号或空格隔开（可不填）"));
    form->addRow(QStringLiteral("方案名称："), name_);
    form->addRow(QString(), dhcp_);
    form->addRow(QStringLiteral("IP 地址："), address_);
    form->addRow(QStringLiteral("子网掩码："), mask_);
    form->addRow(QStringLiteral("默认网关："), gateway_);
    form->addRow(QStringLiteral("DNS 服务器："), dnsEdit_);
    for (auto [edit, label] : {std::pair{name_, "方案名称"},
                               {address_, "IP 地址"},
                               {mask_, "子网掩码"},
                               {gateway_, "默认网关"},
                               {dnsEdit_, "DNS 服务器"}})
        edit->setAccessibleName(QString::fromUtf8(label));
    auto* formButtons = new QHBoxLayout;
    auto* save = new QPushButton(QStringLiteral("保存方案"), body());
    auto* remove = new QPushButton(QStringLiteral("删除方案"), body());
    formButtons->addStretch(1);
    formButtons->addWidget(save);
    formButtons->addWidget(remove);
    auto* right = new QVBoxLayout;
    right->addLayout(form);
    right->addLayout(formButtons);
    auto* applyRow = new QHBoxLayout;
    applyRow->addWidget(new QLabel(QStringLiteral("应用到连接："), body()));
    connection_ = new QComboBox(body());
    connection_->setAccessibleName(QStringLiteral("连接"));
    applyRow->addWidget(connection_, 1);
    apply_ = new QPushButton(QStringLiteral("应用方案"), body());
    applyRow->addWidget(apply_);
    right->addLayout(applyRow);
    status_ = new QLabel(body());
    status_->setWordWrap(true);
    right->addWidget(status_);
    right->addStretch(1);
    middle->addLayout(right, 1);
    layout->addLayout(middle, 1);

    connect(refresh, &QPushButton::clicked, this, [this] {
        refreshInterfaces();
        refreshConnections();
    });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) { showProfile(row); });
    connect(dhcp_, &QCheckBox::toggled, this, [this](bool on) {
        for (QLineEdit* e : {address_, mask_, gateway_}) e->setEnabled(!on);
    });
    connect(save, &QPushButton::clicked, this, [this] { saveProfile(); });
    connect(remove, &QPushButton::clicked, this, [this] { removeProfile(); });
    connect(apply_, &QPushButton::clicked, this, [this] { applyProfile(); });

    for (const Profile& p : profiles_) list_->addItem(q(p.name));
    refreshInterfaces();
    refreshConnections();
}

void IpSwitchWindow::refreshInterfaces() {
    interfaces_->clear();
    for (const Interface& i : listInterfaces()) {
        auto* item = new QTreeWidgetItem(interfaces_);
        item->setText(0, q(i.name));
        item->setText(1, i.up ? QStringLiteral("已启用") : QStringLiteral("已停用"));
        item->setText(2, joined(i.addresses, QStringLiteral("，")));
        item->setText(3, q(i.gateway));
        item->setText(4, q(i.mac));
    }
    const std::vector<std::string> dns = systemDns();
    dns_->setText(QStringLiteral("当前 DNS 服务器：") +
                  (dns.empty() ? QStringLiteral("（无）") : joined(dns, QStringLiteral("，"))));
}

void IpSwitchWindow::refreshConnections() {
    connection_->clear();
    apply_->setEnabled(false);
    status_->setText(QStringLiteral("正在连接 NetworkManager …"));
    struct Found {
        std::vector<Connection> connections;
        std::string error;
    };
    tools::runInBackground<Found>(
        this,
        [] {
            NetworkManager nm;
            return Found{nm.connections(), nm.error()};
        },
        [this](Found& f) {
            if (!f.error.empty()) {
                status_->setText(q(f.error));
                return;
            }
            for (const Connection& c : f.connections) {
                QString label = q(c.id);
                if (!c.device.empty()) label += QStringLiteral("（正在 %1 上使用）").arg(q(c.device));
                connection_->addItem(label, q(c.uuid));
            }
            apply_->setEnabled(connection_->count() > 0);
            status_->setText(connection_->count() ? QString()
                                                  : QStringLiteral("NetworkManager 中没有有线或无线连接。"));
        });
}

void IpSwitchWindow::showProfile(int row) {
    if (row < 0 || row >= static_cast<int>(profiles_.size())) return;
    const Profile& p = profiles_[row];
    name_->setText(q(p.name));
    dhcp_->setChecked(p.dhcp);
    address_->setText(q(p.address));
    mask_->setText(q(p.mask));
    gateway_->setText(q(p.gateway));
    dnsEdit_->setText(joined(p.dns, QStringLiteral(", ")));
}

Profile IpSwitchWindow::formProfile() const {
    Profile p;
    p.name = name_->text().trimmed().toStdString();
    p.dhcp = dhcp_->isChecked();
    p.address = address_->text().trimmed().toStdString();
    p.mask = mask_->text().trimmed().toStdString();
    p.gateway = gateway_->text().trimmed().toStdString();
    for (const QString& d :
         dnsEdit_->text().split(QRegularExpression(QStringLiteral("[,，\\s]+")), Qt::SkipEmptyParts))
        p.dns.push_back(d.toStdString());
    return p;
}

void IpSwitchWindow::saveProfile() {
    const Profile p = formProfile();
    if (const std::string problem = checkProfile(p); !problem.empty()) {
        tools::warn(this, q(problem));
        return;
    }
    int row = -1;
    for (int i = 0; i < static_cast<int>(profiles_.size()); ++i)
        if (profiles_[i].name == p.name) row = i;
    if (row >= 0) {
        profiles_[row] = p;
    } else {
        profiles_.push_back(p);
        list_->addItem(q(p.name));
        row = static_cast<int>(profiles_.size()) - 1;
    }
    list_->setCurrentRow(row);
    if (const std::string error = saveProfiles(path_, profiles_); !error.empty())
        tools::warn(this, q(error));
    else
        status_->setText(QStringLiteral("方案“%1”已保存。").arg(q(p.name)));
}

void IpSwitchWindow::removeProfile() {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(profiles_.size())) return;
    if (!tools::ask(this, QStringLiteral("确定要删除方案“%1”吗？").arg(q(profiles_[row].name)))) return;
    profiles_.erase(profiles_.begin() + row);
    delete list_->takeItem(row);
    if (const std::string error = saveProfiles(path_, profiles_); !error.empty()) tools::warn(this, q(error));
}

void IpSwitchWindow::applyProfile() {
    const Profile p = formProfile();
    if (const std::string problem = checkProfile(p); !problem.empty()) {
        tools::warn(this, q(problem));
        return;
    }
    const std::string uuid = connection_->currentData().toString().toStdString();
    if (uuid.empty()) return;
    if (!tools::ask(this, QStringLiteral("将方案“%1”应用到连接“%2”？连接会重新激活，网络可能短暂中断。")
                              .arg(q(p.name), connection_->currentText())))
        return;
    apply_->setEnabled(false);
    status_->setText(QStringLiteral("正在应用 …"));
    tools::runInBackground<std::string>(
        this,
        [uuid, p] {
            NetworkManager nm;
            return nm.ok() ? nm.apply(uuid, p) : nm.error();
        },
        [this, name = p.name](std::string& error) {
            apply_->setEnabled(true);
            if (!error.empty()) {
                status_->clear();
                tools::warn(this, q(error));
                return;
            }
            status_->setText(QStringLiteral("已应用方案“%1”。").arg(q(name)));
            refreshInterfaces();
        });
}

}  // namespace qx::ipswitch
