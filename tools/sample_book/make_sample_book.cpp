// Packs a folder into an EPUB container: "mimetype" first and stored, as readers expect, then every other file
// deflated, in name order so that the book is the same on every machine.
//
//   make_sample_book SOURCE_FOLDER OUT.epub
#include "zipwriter/zip_writer.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_sample_book SOURCE_FOLDER OUT.epub\n";
        return 2;
    }
    try {
        const fs::path source = argv[1];
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(source)) {
            if (entry.is_regular_file()) {
                names.push_back(fs::relative(entry.path(), source).generic_string());
            }
        }
        std::sort(names.begin(), names.end());
        const auto mimetype = std::find(names.begin(), names.end(), "mimetype");
        if (mimetype == names.end()) {
            throw std::runtime_error("no mimetype file in " + source.string());
        }
        std::rotate(names.begin(), mimetype, mimetype + 1);

        std::vector<qm::ZipMember> members;
        for (const std::string& name : names) {
            qm::ZipMember member;
            member.name = name;
            member.data = ReadWhole(source / name);
            member.method = name == "mimetype" ? 0 : 8;
            member.utf8Name = true;
            members.push_back(std::move(member));
        }
        fs::create_directories(fs::path(argv[2]).parent_path());
        qm::WriteZipFile(argv[2], members);
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}
