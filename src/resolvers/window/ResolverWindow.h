#pragma once
// ResolverWindow: share link and password in, direct address out, for the service the main
// window's cloud buttons chose.
#include <memory>

#include "resolvers/ResolveContext.h"
#include "resolvers/Service.h"
#include "state/ProgramState.h"
#include "ui/WindowDescriptor.h"
#include "ui/WindowSystem.h"

namespace qx::resolvers {

// The controls the handlers name, as the layout rows name them.
namespace control {
inline constexpr const char* kPicture = "图片框EX1";  // the chosen service's picture
inline constexpr const char* kTitle = "标签EX1";      // the chosen service's title
inline constexpr const char* kLink = "编辑框EX_原链接";
inline constexpr const char* kPassword = "编辑框EX_密码";
inline constexpr const char* kResult = "编辑框EX_结果";
inline constexpr const char* kGenerateAndCopy = "按钮EX3";  // "生成并复制"
inline constexpr const char* kGenerate = "按钮EX4";         // "生成"
inline constexpr const char* kCopy = "按钮EX2";             // "复制"
}  // namespace control

const ui::WindowLayout& resolverLayout();

void bindResolverWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows);

extern const ui::WindowDescriptor kResolverWindow;

// The work of one "生成": runs the service's resolver and writes its result into the result box,
// unless the window was closed meanwhile or the context was stopped (a late result is dropped).
void resolveIntoWindow(const std::weak_ptr<ui::Window>& window, Service service, const Text& link,
                       const Text& password, const ResolveContext& context);

}  // namespace qx::resolvers
