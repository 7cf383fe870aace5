// avatar and favicon: the avatar fetch and the icon grab with its image conversion.
#include <CLI/CLI.hpp>
#include <memory>

#include "cli/Command.h"
#include "cli/OutputFile.h"
#include "platform/imaging/ImageCodec.h"
#include "text/Strings.h"
#include "utilities/avatar/AvatarFetch.h"
#include "utilities/siteicon/IconFetch.h"
#include "utilities/siteicon/ImageConversion.h"

namespace qx::cli {

namespace {

const char* kindName(platform::ImageKind kind) {
    switch (kind) {
        case platform::ImageKind::Png: return "png";
        case platform::ImageKind::Jpeg: return "jpg";
        case platform::ImageKind::Gif: return "gif";
        case platform::ImageKind::Bmp: return "bmp";
        case platform::ImageKind::Ico: return "ico";
        case platform::ImageKind::Tiff: return "tiff";
        case platform::ImageKind::Unknown: break;
    }
    return "";
}

// The conversion's format numbers by name; 0 for none.
int formatNumber(std::string name) {
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (name == "bmp") return 1;
    if (name == "jpg" || name == "jpeg") return 2;
    if (name == "gif") return 3;
    if (name == "tiff" || name == "tif") return 4;
    if (name == "png") return 5;
    return 0;
}

// The format a file name asks for by its extension; 0 when it names none.
int formatOfFileName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return 0;
    return formatNumber(path.substr(dot + 1));
}

std::string_view asChars(const ByteArray& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Writes the picture and builds the result both forms share.
Outcome savePicture(OutputFile& file, const std::string& path, const ByteArray& picture, nlohmann::ordered_json json) {
    std::string error;
    if (!file.write(asChars(picture), error) || !file.commit(error)) return unwritableOutput(path, error);
    if (file.toStandardOutput()) return success(nullptr, "");
    platform::RgbaImage image;
    platform::decodeImage(picture, image);
    json["file"] = path;
    json["bytes"] = picture.size();
    json["width"] = image.width;
    json["height"] = image.height;
    return success(std::move(json), "已保存 " + path + "（" + std::to_string(image.width) + "×" +
                                        std::to_string(image.height) + "，" + std::to_string(picture.size()) +
                                        " 字节）");
}

struct AvatarOptions {
    std::string account;
    std::string output;
};

Outcome runAvatar(Session& session, const AvatarOptions& o) {
    Outcome failed;
    Text account;
    if (!session.textOf(o.account, "NUMBER", account, failed)) return failed;
    account = trim(account);
    if (account.empty() || account.find_first_not_of("0123456789") != Text::npos)
        return usageFailure("invalid-number", "QQ 号只能由数字组成", o.account);
    if (o.output == "-" && session.json())
        return usageFailure("conflicting-options", "-o - 把图片写到标准输出，不能与 --json 同用");
    OutputFile file;
    std::string error;
    if (!file.open(o.output, error)) return unwritableOutput(o.output, error);

    bool answered = false;
    const ByteArray picture = avatar::fetchAvatarPicture(account, session.stop(), &answered);
    if (session.stopped()) return interruptedRun();
    if (!answered) return failure(kExitNetwork, "network", "头像服务没有回答", utf8Of(avatar::avatarUrl(account)));
    const platform::ImageKind kind = platform::sniffImage(picture);
    if (picture.empty() || kind == platform::ImageKind::Unknown)
        return failure(kExitNoResult, "no-picture", "头像服务的回答不是图片", utf8Of(avatar::avatarUrl(account)));
    return savePicture(file, o.output, picture,
                       {{"account", utf8Of(account)}, {"url", utf8Of(avatar::avatarUrl(account))}, {"format", kindName(kind)}});
}

struct FaviconOptions {
    std::string site;
    std::string output;
    std::string format;
};

Outcome runFavicon(Session& session, const FaviconOptions& o) {
    Outcome failed;
    Text site;
    if (!session.textOf(o.site, "SITE", site, failed)) return failed;
    if (isBlank(site)) return usageFailure("empty-site", "网址为空");
    if (o.output == "-" && session.json())
        return usageFailure("conflicting-options", "-o - 把图片写到标准输出，不能与 --json 同用");
    // PNG, as the window shows it, unless asked otherwise or the file's name says so.
    int format = o.format.empty() ? formatOfFileName(o.output) : formatNumber(o.format);
    if (format == 0) format = 5;
    OutputFile file;
    std::string error;
    if (!file.open(o.output, error)) return unwritableOutput(o.output, error);

    const Text address = siteicon::siteAddress(site);
    const std::string iconUrl = utf8Of(address) + "/favicon.ico";
    const ByteArray answer = siteicon::fetchSiteIcon(address, session.stop());
    if (session.stopped()) return interruptedRun();
    if (answer.empty()) return failure(kExitNetwork, "network", "网站没有回答", iconUrl);
    ByteArray picture;
    if (!siteicon::convertImage(answer, format, {}, &picture))
        return failure(kExitNoResult, "no-icon", "获取失败！网站的图标不是可用的图片", iconUrl);
    const std::string formatName(siteicon::imageExtension(format).substr(1));
    return savePicture(file, o.output, picture, {{"url", iconUrl}, {"format", formatName}});
}

}  // namespace

void addAvatarCommand(CLI::App& app, std::vector<Command>& commands) {
    auto o = std::make_shared<AvatarOptions>();
    CLI::App* sub = app.add_subcommand("avatar", "取 QQ 头像，按服务给出的格式存入文件");
    sub->add_option("NUMBER", o->account, "QQ 号（“-”：从标准输入读取）")->required();
    sub->add_option("-o,--output", o->output, "图片文件（“-”：标准输出）")->required();
    sub->footer("例：quorvex-cli avatar 10001 -o head.jpg");
    commands.push_back({sub, [o](Session& s) { return runAvatar(s, *o); }});
}

void addFaviconCommand(CLI::App& app, std::vector<Command>& commands) {
    auto o = std::make_shared<FaviconOptions>();
    CLI::App* sub = app.add_subcommand("favicon", "取网站的 /favicon.ico，转换格式后存入文件");
    sub->add_option("SITE", o->site, "网站地址；没有 http:// 或 https:// 时在前面加 http://（“-”：从标准输入读取）")
        ->required();
    sub->add_option("-o,--output", o->output, "图片文件（“-”：标准输出）")->required();
    sub->add_option("--format", o->format, "png、bmp、jpg、gif 或 tiff（默认按文件扩展名，否则 png）")
        ->check(CLI::IsMember({"png", "bmp", "jpg", "jpeg", "gif", "tiff", "tif"}, CLI::ignore_case));
    sub->footer("例：quorvex-cli favicon example.com -o icon.png");
    commands.push_back({sub, [o](Session& s) { return runFavicon(s, *o); }});
}

}  // namespace qx::cli
