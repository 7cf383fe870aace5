#pragma once
// The builders a window's layout table is written with: one row per control, chained setters
// for what differs from the kind's defaults. Each window's rows live beside its feature.
#include <string>
#include <vector>

#include "ui/Layout.h"

namespace qx::ui::rows {

using K = ControlKind;

// Skins of the layouts, per control kind.
inline constexpr const char* kWindowSkin = "exui默认窗口皮肤";
inline constexpr const char* kButtonSkin = "默认皮肤按钮";
inline constexpr const char* kButtonFont = "微软雅黑";
inline constexpr const char* kGroupSkin = "EX_UI默认皮肤_分组框";
inline constexpr const char* kEditSkin = "EX_UI默认皮肤_编辑框";
inline constexpr const char* kPictureSkin = "Exui默认皮肤_图片框";
inline constexpr const char* kTabSkin = "EX_UI默认皮肤_选择夹";
inline constexpr const char* kProgressSkin = "EX_UI默认皮肤_进度条";
inline constexpr const char* kQqCheckSkin = "超仿QQ_选择框";

// An edit box taller than this holds several lines (wraps and scrolls); up to it, one line.
inline constexpr int kSingleLineEditMaxHeight = 40;

// One row of a layout table; the chained setters keep the tables readable.
struct Row {
    ControlLayout c;

    Row(K kind, const char* name, const char* caption, int x, int y, int w, int h) {
        c.name = name;
        c.kind = kind;
        c.caption = caption;
        c.x = x, c.y = y, c.width = w, c.height = h;
        switch (kind) {
            case K::Button:
            case K::CloseButton:
                c.skin = kButtonSkin;
                c.font = kButtonFont;
                break;
            case K::GroupBox:
                c.skin = kGroupSkin;
                break;
            case K::EditBox:
                c.skin = kEditSkin;
                c.multiLine = h > kSingleLineEditMaxHeight;
                break;
            case K::PictureBox:
                c.skin = kPictureSkin;
                break;
            case K::TabControl:
                c.skin = kTabSkin;
                break;
            case K::ProgressBar:
                c.skin = kProgressSkin;
                break;
            case K::SkinElement:
                c.skin = kWindowSkin;
                break;
            default:
                break;
        }
    }
    Row& in(const char* container, int page = -1) {
        c.container = container;
        c.page = page;
        return *this;
    }
    Row& onPage(int page) { return in("选择夹EX1", page); }
    Row& hidden() {
        c.visible = false;
        return *this;
    }
    Row& alpha(int a) {
        c.alpha = a;
        return *this;
    }
    Row& centered() {
        c.centered = true;
        return *this;
    }
    Row& picture(const char* p) {
        c.picture = p;
        return *this;
    }
    Row& skin(const char* s) {
        c.skin = s;
        return *this;
    }
    Row& named(const char* accessibleName) {
        c.accessibleName = accessibleName;
        return *this;
    }
    Row& maximum(int m) {
        c.maximum = m;
        return *this;
    }
    Row& pages(std::vector<std::string> titles) {
        c.pages = std::move(titles);
        return *this;
    }
    operator ControlLayout() const { return c; }
};

inline Row button(const char* n, const char* cap, int x, int y, int w, int h) {
    return {K::Button, n, cap, x, y, w, h};
}
inline Row closeButton(int x, int y) {
    return Row(K::CloseButton, kCloseButton, "", x, y, 24, 24).named("关闭");
}
inline Row label(const char* n, const char* cap, int x, int y, int w, int h) {
    return {K::Label, n, cap, x, y, w, h};
}
inline Row edit(const char* n, int x, int y, int w, int h) { return {K::EditBox, n, "", x, y, w, h}; }
inline Row picture(const char* n, int x, int y, int w, int h) { return {K::PictureBox, n, "", x, y, w, h}; }
inline Row group(const char* n, const char* cap, int x, int y, int w, int h) {
    return {K::GroupBox, n, cap, x, y, w, h};
}
inline Row radio(const char* n, const char* cap, int x, int y, int w, int h) {
    return {K::RadioButton, n, cap, x, y, w, h};
}
inline Row check(const char* n, const char* cap, int x, int y, int w, int h) {
    return {K::CheckBox, n, cap, x, y, w, h};
}
inline Row skinElement(const char* n) { return {K::SkinElement, n, "", 4, 4, 24, 24}; }

inline WindowLayout window(const char* name, const char* title, int w, int h, const char* skin,
                           std::vector<ControlLayout> controls) {
    WindowLayout l;
    l.name = name;
    l.title = title;
    l.width = w, l.height = h;
    l.x = 50, l.y = 50;
    l.skinElement = skin;
    l.controls.push_back(skinElement(skin));
    for (auto& c : controls) l.controls.push_back(std::move(c));
    return l;
}

}  // namespace qx::ui::rows
