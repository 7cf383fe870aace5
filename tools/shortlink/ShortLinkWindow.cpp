#include "shortlink/ShortLinkWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Background.h"
#include "common/Messages.h"
#include "common/Texts.h"

namespace qx::shortlink {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

ShortLinkWindow::ShortLinkWindow()
    : ToolWindow(
          QStringLiteral("短链接生成"),
          tools::aboutLine(QStringLiteral("短链接生成"), QStringLiteral("网址会发送给所选的公共短链接服务")),
          QSize(600, 300)) {
    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(0, 0, 0, 0);
    auto* form = new QFormLayout;
    service_ = new QComboBox(body());
    service_->addItem(q(serviceName(Service::IsGd)), static_cast<int>(Service::IsGd));
    service_->addItem(q(serviceName(Service::TinyUrl)), static_cast<int>(Service::TinyUrl));
    service_->setAccessibleName(QStringLiteral("服务"));
    form->addRow(QStringLiteral("服务："), service_);
    address_ = new QLineEdit(body());
    address_->setPlaceholderText(QStringLiteral("https://"));
    address_->setAccessibleName(QStringLiteral("长网址"));
    form->addRow(QStringLiteral("长网址："), address_);
    auto* resultRow = new QHBoxLayout;
    result_ = new QLineEdit(body());
    result_->setReadOnly(true);
    result_->setAccessibleName(QStringLiteral("短链接"));
    auto* copy = new QPushButton(tools::kCopy, body());
    resultRow->addWidget(result_, 1);
    resultRow->addWidget(copy);
    form->addRow(QStringLiteral("短链接："), resultRow);
    layout->addLayout(form);
    auto* actions = new QHBoxLayout;
    status_ = new QLabel(body());
    status_->setWordWrap(true);
    actions->addWidget(status_, 1);
    generate_ = new QPushButton(QStringLiteral("生成"), body());
    actions->addWidget(generate_);
    layout->addLayout(actions);
    layout->addStretch(1);

    connect(generate_, &QPushButton::clicked, this, [this] { generate(); });
    connect(address_, &QLineEdit::returnPressed, this, [this] { generate(); });
    connect(copy, &QPushButton::clicked, this, [this] {
        if (result_->text().isEmpty()) return;
        QApplication::clipboard()->setText(result_->text());
        status_->setText(tools::kCopied);
    });
}

ShortLinkWindow::~ShortLinkWindow() { stop_.request_stop(); }

void ShortLinkWindow::generate() {
    const std::string address = address_->text().toStdString();
    if (const std::string why = checkAddress(address); !why.empty()) {
        tools::warn(this, q(why));
        return;
    }
    const auto service = static_cast<Service>(service_->currentData().toInt());
    generate_->setEnabled(false);
    result_->clear();
    status_->setText(QStringLiteral("正在请求 %1 …").arg(q(serviceName(service))));
    std::stop_token stop = stop_.get_token();
    tools::runInBackground<Result>(
        this, [service, address, stop] { return shorten(service, address, stop); },
        [this](Result& r) {
            generate_->setEnabled(true);
            if (r.outcome == Outcome::Shortened) {
                result_->setText(q(r.shortUrl));
                status_->setText(QStringLiteral("已生成。"));
                return;
            }
            status_->clear();
            tools::warn(this, q(r.message));
        });
}

}  // namespace qx::shortlink
