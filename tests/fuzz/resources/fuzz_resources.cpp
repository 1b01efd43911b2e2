// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: a module file as an icon library and as a program's
// version information, and the same bytes as a bare version block.
#include "settings/iconlibrary.h"
#include "settings/resourcemodule.h"
#include "settings/versioninfo.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    CIconLibrary library;
    if (library.LoadData(bytes)) {
        for (int number : library.IconNumbers()) {
            for (const IconImage &image : library.IconImages(number)) {
                if (image.width <= 0 || image.height <= 0 || image.file.isEmpty())
                    __builtin_trap();
            }
        }
    }
    CResourceModule module;
    CVersionInfo info;
    if (module.Parse(bytes)) {
        for (int id : module.Ids(CResourceModule::TypeVersion))
            info.CreateFromResource(module.Find(CResourceModule::TypeVersion, id), 0x0407);
    }
    info.CreateFromResource(bytes, 0x0409);
    return 0;
}
