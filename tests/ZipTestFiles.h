// Zip files made by the tests themselves, through libzip.
#pragma once
#include <stdexcept>
#include <string>
#include <vector>
#include <zip.h>

#include "TestSupport.h"

struct ZipItem {
    std::string name;     // as stored; a name ending in "/" is a directory entry
    std::string data;     // contents of a file entry
    bool deflate = false; // stored when false
    zip_flags_t encoding = ZIP_FL_ENC_UTF_8;
};

// Writes a zip archive holding `items` in their order to `path`, creating the
// folders on the way.
inline void MakeZip(const std::string& path, const std::vector<ZipItem>& items) {
    WriteFile(path, ""); // creates the folders
    int error = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!za) throw std::runtime_error("zip_open failed for " + path);
    for (const ZipItem& item : items) {
        zip_int64_t index;
        if (!item.name.empty() && item.name.back() == '/') {
            index = zip_dir_add(za, item.name.c_str(), item.encoding);
        } else {
            zip_source_t* src = zip_source_buffer(za, item.data.data(), item.data.size(), 0);
            index = src ? zip_file_add(za, item.name.c_str(), src, item.encoding) : -1;
            if (index < 0 && src) zip_source_free(src);
            if (index >= 0)
                zip_set_file_compression(za, static_cast<zip_uint64_t>(index),
                                         item.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
        }
        if (index < 0) {
            zip_discard(za);
            throw std::runtime_error("cannot add " + item.name + " to " + path);
        }
    }
    if (zip_close(za) != 0) {
        zip_discard(za);
        throw std::runtime_error("zip_close failed for " + path);
    }
}
