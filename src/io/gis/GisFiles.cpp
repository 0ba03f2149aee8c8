#include "io/gis/GisFiles.h"

#include "io/FileError.h"
#include "io/SafeFile.h"

#include <cpl_error.h>
#include <cpl_string.h>
#include <cpl_vsi.h>
#include <gdal_priv.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace {

std::string lastGdalMessage() {
    const char* text = CPLGetLastErrorMsg();
    return text && *text ? text : "GDAL did not say why";
}

std::string memoryFolder() {
    static std::atomic<int> counter{0};
    return "/vsimem/pointbridge-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

} // namespace

TGisFiles::TGisFiles(const char* driverName, const std::string& target, bool asFolder,
                     const std::vector<std::string>& options)
    : m_target(target), m_memory(memoryFolder()), m_asFolder(asFolder) {
    static std::once_flag registered;
    std::call_once(registered, [] { GDALAllRegister(); });
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driverName);
    if (!driver) {
        CPLPopErrorHandler();
        throw EFileError("Cannot create file", target,
                         std::string("GDAL has no driver ") + driverName, 0);
    }
    VSIMkdir(m_memory.c_str(), 0755);
    const std::string name =
        asFolder ? m_memory : m_memory + "/" + std::filesystem::path(target).filename().string();
    CPLStringList list;
    for (const std::string& o : options)
        list.AddString(o.c_str());
    m_dataset = driver->Create(name.c_str(), 0, 0, 0, GDT_Unknown, list.List());
    if (!m_dataset) {
        const std::string reason = lastGdalMessage();
        VSIRmdirRecursive(m_memory.c_str());
        CPLPopErrorHandler();
        throw EFileError("Cannot create file", target, reason, 0);
    }
}

TGisFiles::~TGisFiles() {
    if (m_dataset)
        GDALClose(m_dataset);
    VSIRmdirRecursive(m_memory.c_str());
    CPLPopErrorHandler();
}

void TGisFiles::Check(bool ok) const {
    if (!ok)
        throw EFileError("Cannot write file", m_target, lastGdalMessage(), 0);
}

std::vector<std::string> TGisFiles::Commit() {
    CPLErrorReset();
    GDALClose(m_dataset);
    m_dataset = nullptr;
    // Closing writes what GDAL still held; it says so only through its error state.
    Check(CPLGetLastErrorType() < CE_Failure);
    const CPLStringList names(VSIReadDir(m_memory.c_str()));
    const std::filesystem::path folder = std::filesystem::path(m_target).parent_path();
    std::vector<std::unique_ptr<TSafeFileWriter>> writers;
    std::vector<std::string> paths;
    for (int i = 0; i < names.size(); ++i) {
        const std::string name = names[i];
        if (name == "." || name == "..")
            continue;
        vsi_l_offset size = 0;
        const GByte* bytes = VSIGetMemFileBuffer((m_memory + "/" + name).c_str(), &size, FALSE);
        Check(bytes != nullptr);
        paths.push_back((folder / name).string());
        writers.push_back(std::make_unique<TSafeFileWriter>(paths.back()));
        writers.back()->Write({reinterpret_cast<const char*>(bytes), static_cast<size_t>(size)});
    }
    for (auto& w : writers)
        w->Commit();
    // A spatial index of an old shapefile of the same name would point into the new one.
    if (m_asFolder)
        for (const std::string& p : paths)
            if (p.size() > 4 && p.compare(p.size() - 4, 4, ".shp") == 0)
                for (const char* index : {".qix", ".sbn", ".sbx"})
                    ::unlink((p.substr(0, p.size() - 4) + index).c_str());
    return paths;
}
