#pragma once
// Libraries of features the main window does not need are opened when a feature first uses
// them, not at start-up: each one linked in is mapped, relocated and initialised before the
// window can show. A feature names the functions it takes from the library in a struct:
//
//   struct OpenCc : platform::Imports {
//       OpenCc() : Imports(QX_OPENCC_SONAME) {}
//       QX_IMPORT(opencc_open);
//   };
//   if (const OpenCc* cc = platform::imported<OpenCc>()) cc->opencc_open(...);
//
// Each function keeps the type the library's header declares. A library that cannot be opened,
// or lacks one of the functions, leaves the feature unavailable rather than the program broken.
#include <string>

namespace qx::platform {

class Imports {
  public:
    // Opens the library; it stays loaded, as its objects may live to the end of the process.
    explicit Imports(const char* soname);
    Imports(const Imports&) = delete;
    Imports& operator=(const Imports&) = delete;
    // True when the library and every function asked for were found.
    bool complete() const { return complete_; }
    // What was missing, for a message.
    const std::string& failure() const { return failure_; }

  protected:
    template <typename F>
    F take(const char* name) {
        return reinterpret_cast<F>(symbol(name));
    }

  private:
    void* symbol(const char* name);
    void* handle_ = nullptr;
    bool complete_ = false;
    std::string failure_;
};

// The process's one set of imports of type Api, or nullptr when it is incomplete.
template <typename Api>
const Api* imported() {
    static const Api api;
    return api.complete() ? &api : nullptr;
}

}  // namespace qx::platform

// Two steps, so a header's renaming macro (out123_param -> out123_param2) names the symbol too.
#define QX_IMPORT(fn) QX_IMPORT_EXPANDED(fn)
#define QX_IMPORT_EXPANDED(fn) decltype(&::fn) fn = take<decltype(&::fn)>(#fn)
