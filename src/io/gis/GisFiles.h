#pragma once

#include <string>
#include <vector>

class GDALDataset;

// A GDAL dataset written in memory (GDAL names its own files, and a shapefile is several),
// whose files then go beside the target through TSafeFileWriter: all of them complete in
// temporaries first, then renamed one after another. GDAL's messages stay off standard
// error while it lives; its last one becomes the reason of an EFileError naming `target`.
class TGisFiles {
public:
    // `asFolder`: the dataset is a folder whose files all go beside the target (shapefiles,
    // one set per layer); otherwise one file named as the target.
    TGisFiles(const char* driver, const std::string& target, bool asFolder,
              const std::vector<std::string>& options = {});
    ~TGisFiles();
    TGisFiles(const TGisFiles&) = delete;
    TGisFiles& operator=(const TGisFiles&) = delete;

    GDALDataset& Dataset() { return *m_dataset; }
    // Throws EFileError with GDAL's last message, unless `ok`.
    void Check(bool ok) const;
    // Closes the dataset and replaces the files beside the target. Returns their paths.
    std::vector<std::string> Commit();

private:
    std::string m_target;
    std::string m_memory; // our folder under /vsimem
    bool m_asFolder = false;
    GDALDataset* m_dataset = nullptr;
};
