// Finishing through the module that holds qpdf, loaded at the first save: qpdf and the
// gnutls it pulls in cost every run (--version included) about 7 ms of start-up when the
// tool itself is linked with them.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "pdf/finish.h"

namespace {

// The module's function, or why it did not load.
struct FinishModule {
    FinishFunction finish = nullptr;
    std::string failure;
};

// The module sits next to the tool in the build folder, and in lib/rosterbook beside the
// installed bin/ folder.
FinishFunction load_module(std::string* failure) {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string folder =
        length > 0 ? std::string(self, static_cast<size_t>(length)) : std::string("./x");
    const std::string here = folder.substr(0, folder.rfind('/') + 1);
    for (const std::string& path : {here + FINISH_MODULE, here + "../lib/rosterbook/" + FINISH_MODULE}) {
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);  // kept open for the process
        if (module != nullptr) {
            const auto* exported = static_cast<const FinishFunction*>(dlsym(module, FINISH_SYMBOL));
            if (exported == nullptr) *failure = dlerror();
            return exported != nullptr ? *exported : nullptr;
        }
        *failure = dlerror();
    }
    return nullptr;
}

// Loaded once for the process; a thread that asks while another loads it waits for that load.
const FinishModule& finish_module() {
    static const FinishModule module = [] {
        FinishModule loaded;
        loaded.finish = load_module(&loaded.failure);
        return loaded;
    }();
    return module;
}

}  // namespace

void load_finish_module() { finish_module(); }

std::optional<Failure> finish_pdf(const std::string& bytes, const std::vector<PictureStream>& pictures,
                                  const std::vector<GlyphFont>& glyph_fonts, const ViewerSettings& viewer,
                                  const PrintShopFinish& shop, FILE* into) {
    const FinishModule& module = finish_module();
    if (module.finish == nullptr)  // said for every document
        return Failure{"", 0, "cannot load " + std::string(FINISH_MODULE) + " (" + module.failure + ")"};
    return module.finish(bytes, pictures, glyph_fonts, viewer, shop, into);
}
