#include "tests/support/pe_image.h"

#include <fstream>
#include <optional>
#include <utility>

namespace torvex::testing {

namespace {

// Bigger than any module of ours by far; a larger file is not one of them.
constexpr std::uint64_t kMaxFileSize = 64u << 20;
// The loader accepts no more sections than this.
constexpr std::uint16_t kMaxSections = 96;
// Longer names than this are not DLL or function names but a broken table.
constexpr std::size_t kMaxNameLength = 1024;

constexpr std::uint32_t kPeSignature = 0x00004550; // "PE\0\0"
constexpr std::uint16_t kDosMagic = 0x5A4D;        // "MZ"
constexpr std::uint16_t kPe32Magic = 0x010B;
constexpr std::uint16_t kPe32PlusMagic = 0x020B;
constexpr std::uint16_t kFileIsDll = 0x2000;
constexpr std::uint32_t kDelayLoadUsesRvas = 0x1;
// More functions than this from one DLL is a broken table, not a module.
constexpr std::uint32_t kMaxImportsPerDll = 65536;

constexpr std::uint32_t kExportDirectory = 0;
constexpr std::uint32_t kImportDirectory = 1;
constexpr std::uint32_t kDelayImportDirectory = 13;

constexpr std::uint32_t kCoffHeaderSize = 20;
constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kExportDirectorySize = 40;
constexpr std::uint32_t kImportDescriptorSize = 20;
constexpr std::uint32_t kDelayDescriptorSize = 32;

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawOffset = 0;
};

struct DataDirectory {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
};

std::string Hex(std::uint64_t value)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return "0x" + text;
}

class PeReader {
public:
    explicit PeReader(std::span<const std::uint8_t> file) : file_(file) {}

    bool Parse(PeImage* image)
    {
        *image = PeImage{};
        return ReadHeaders(image) && ReadSections() && ReadExports(image) && ReadImports(image) &&
               ReadDelayImports(image);
    }

    const std::string& error() const { return error_; }

private:
    bool Fail(std::string message)
    {
        error_ = std::move(message);
        return false;
    }

    // Little-endian reads; false when any byte lies outside the file.
    template <typename T> bool Read(std::uint64_t offset, T* value) const
    {
        if (offset > file_.size() || file_.size() - offset < sizeof(T))
            return false;
        std::uint64_t result = 0;
        for (std::size_t byte = 0; byte < sizeof(T); ++byte)
            result |= std::uint64_t{file_[offset + byte]} << (8 * byte);
        *value = static_cast<T>(result);
        return true;
    }

    template <typename T> bool ReadField(std::uint64_t offset, T* value, const char* what)
    {
        return Read(offset, value) || Fail(std::string("truncated: ") + what + " at " + Hex(offset) +
                                           " lies past the end of the file");
    }

    bool ReadHeaders(PeImage* image)
    {
        std::uint16_t dosMagic = 0;
        std::uint32_t peOffset = 0;
        std::uint32_t signature = 0;
        if (!ReadField(0, &dosMagic, "the DOS header") || !ReadField(0x3C, &peOffset, "the DOS header"))
            return false;
        if (dosMagic != kDosMagic)
            return Fail("not a PE file: no MZ header");
        if (!ReadField(peOffset, &signature, "the PE signature"))
            return false;
        if (signature != kPeSignature)
            return Fail("not a PE file: no PE signature at " + Hex(peOffset));

        const std::uint64_t coff = std::uint64_t{peOffset} + 4;
        std::uint16_t optionalSize = 0;
        std::uint16_t characteristics = 0;
        if (!ReadField(coff, &image->machine, "the file header") ||
            !ReadField(coff + 2, &sectionCount_, "the file header") ||
            !ReadField(coff + 16, &optionalSize, "the file header") ||
            !ReadField(coff + 18, &characteristics, "the file header"))
            return false;
        image->isDll = (characteristics & kFileIsDll) != 0;
        optionalHeader_ = coff + kCoffHeaderSize;
        optionalSize_ = optionalSize;
        sectionTable_ = optionalHeader_ + optionalSize;
        return ReadOptionalHeader(image);
    }

    bool ReadOptionalHeader(PeImage* image)
    {
        std::uint16_t magic = 0;
        if (!ReadField(optionalHeader_, &magic, "the optional header"))
            return false;
        if (magic == kPe32Magic) {
            directoryCountOffset_ = 92;
            std::uint32_t base = 0;
            if (!ReadOptionalField(28, &base, "the image base"))
                return false;
            imageBase_ = base;
        } else if (magic == kPe32PlusMagic) {
            directoryCountOffset_ = 108;
            if (!ReadOptionalField(24, &imageBase_, "the image base"))
                return false;
        } else {
            return Fail("unknown optional header magic " + Hex(magic));
        }
        pe32Plus_ = magic == kPe32PlusMagic;
        // These offsets are the same in both forms of the header.
        return ReadOptionalField(32, &image->sectionAlignment, "the section alignment") &&
               ReadOptionalField(36, &image->fileAlignment, "the file alignment") &&
               ReadOptionalField(40, &image->osVersion[0], "the OS version") &&
               ReadOptionalField(42, &image->osVersion[1], "the OS version") &&
               ReadOptionalField(48, &image->subsystemVersion[0], "the subsystem version") &&
               ReadOptionalField(50, &image->subsystemVersion[1], "the subsystem version") &&
               ReadOptionalField(directoryCountOffset_, &directoryCount_, "the data directory count") &&
               ReadPresentDirectories(image);
    }

    bool ReadPresentDirectories(PeImage* image)
    {
        constexpr std::uint32_t kKnownDirectories = 16;
        for (std::uint32_t index = 0; index < kKnownDirectories; ++index) {
            DataDirectory directory;
            if (!ReadDirectory(index, &directory))
                return false;
            if (directory.rva != 0)
                image->directories.push_back(index);
        }
        return true;
    }

    // A field of the optional header must lie inside the size the file
    // header gives it, not merely inside the file.
    template <typename T> bool ReadOptionalField(std::uint32_t offset, T* value, const char* what)
    {
        if (offset + sizeof(T) > optionalSize_)
            return Fail(std::string(what) + " lies past the optional header's " +
                        std::to_string(optionalSize_) + " bytes");
        return ReadField(optionalHeader_ + offset, value, what);
    }

    // An absent directory (index beyond the count, or RVA 0) is empty.
    bool ReadDirectory(std::uint32_t index, DataDirectory* directory)
    {
        *directory = {};
        if (index >= directoryCount_)
            return true;
        const std::uint32_t offset = directoryCountOffset_ + 4 + 8 * index;
        return ReadOptionalField(offset, &directory->rva, "a data directory") &&
               ReadOptionalField(offset + 4, &directory->size, "a data directory");
    }

    bool ReadSections()
    {
        if (sectionCount_ > kMaxSections)
            return Fail(std::to_string(sectionCount_) + " sections, more than a loader accepts");
        for (std::uint16_t index = 0; index < sectionCount_; ++index) {
            const std::uint64_t header = sectionTable_ + std::uint64_t{index} * kSectionHeaderSize;
            Section section;
            if (!ReadField(header + 12, &section.virtualAddress, "a section header") ||
                !ReadField(header + 16, &section.rawSize, "a section header") ||
                !ReadField(header + 20, &section.rawOffset, "a section header"))
                return false;
            if (std::uint64_t{section.rawOffset} + section.rawSize > file_.size())
                return Fail("section " + std::to_string(index) + "'s data at " + Hex(section.rawOffset) +
                            " runs past the end of the file");
            sections_.push_back(section);
        }
        return true;
    }

    // The file offset of `size` bytes at `rva`, all inside one section's
    // data in the file; nothing when they are not.
    std::optional<std::uint64_t> Locate(std::uint64_t rva, std::uint64_t size) const
    {
        for (const Section& section : sections_) {
            if (rva < section.virtualAddress)
                continue;
            const std::uint64_t within = rva - section.virtualAddress;
            if (within <= section.rawSize && section.rawSize - within >= size)
                return section.rawOffset + within;
        }
        return std::nullopt;
    }

    bool LocateField(std::uint64_t rva, std::uint64_t size, const char* what, std::uint64_t* offset)
    {
        const std::optional<std::uint64_t> found = Locate(rva, size);
        if (!found)
            return Fail(std::string(what) + " at RVA " + Hex(rva) + " lies outside the file's sections");
        *offset = *found;
        return true;
    }

    // A NUL-terminated name that must end inside its section.
    bool ReadName(std::uint64_t rva, const char* what, std::string* name)
    {
        std::uint64_t offset = 0;
        if (!LocateField(rva, 1, what, &offset))
            return false;
        name->clear();
        for (std::uint64_t at = rva; name->size() <= kMaxNameLength; ++at) {
            const std::optional<std::uint64_t> byte = Locate(at, 1);
            if (!byte)
                return Fail(std::string(what) + " at RVA " + Hex(rva) +
                            " is not terminated inside its section");
            const char c = static_cast<char>(file_[*byte]);
            if (c == '\0')
                return true;
            name->push_back(c);
        }
        return Fail(std::string(what) + " at RVA " + Hex(rva) + " is longer than " +
                    std::to_string(kMaxNameLength) + " characters");
    }

    bool ReadExports(PeImage* image)
    {
        DataDirectory directory;
        if (!ReadDirectory(kExportDirectory, &directory))
            return false;
        if (directory.rva == 0)
            return true;
        std::uint64_t table = 0;
        std::uint32_t nameCount = 0;
        std::uint32_t namesRva = 0;
        if (!LocateField(directory.rva, kExportDirectorySize, "the export directory", &table) ||
            !ReadField(table + 24, &nameCount, "the export directory") ||
            !ReadField(table + 32, &namesRva, "the export directory"))
            return false;
        std::uint64_t names = 0;
        if (!LocateField(namesRva, std::uint64_t{nameCount} * 4, "the export name table", &names))
            return false;
        for (std::uint32_t index = 0; index < nameCount; ++index) {
            std::uint32_t nameRva = 0;
            std::string name;
            if (!ReadField(names + std::uint64_t{index} * 4, &nameRva, "the export name table") ||
                !ReadName(nameRva, "an export name", &name))
                return false;
            image->exportNames.push_back(std::move(name));
        }
        return true;
    }

    // Walks a table of fixed-size descriptors that ends with an all-zero
    // one; `visit` reads each of the others.
    template <typename Visit>
    bool WalkDescriptors(std::uint32_t rva, std::uint32_t size, const char* what, Visit visit)
    {
        for (std::uint64_t at = rva;; at += size) {
            std::uint64_t offset = 0;
            if (!LocateField(at, size, what, &offset))
                return false;
            const auto bytes = file_.subspan(offset, size);
            bool empty = true;
            for (const std::uint8_t byte : bytes)
                empty = empty && byte == 0;
            if (empty)
                return true;
            if (!visit(offset))
                return false;
        }
    }

    bool ReadImports(PeImage* image)
    {
        DataDirectory directory;
        if (!ReadDirectory(kImportDirectory, &directory))
            return false;
        if (directory.rva == 0)
            return true;
        return WalkDescriptors(
            directory.rva, kImportDescriptorSize, "an import descriptor", [&](std::uint64_t descriptor) {
                std::uint32_t lookupRva = 0;
                std::uint32_t nameRva = 0;
                std::uint32_t addressRva = 0;
                std::string name;
                if (!ReadField(descriptor, &lookupRva, "an import descriptor") ||
                    !ReadField(descriptor + 12, &nameRva, "an import descriptor") ||
                    !ReadField(descriptor + 16, &addressRva, "an import descriptor") ||
                    !ReadName(nameRva, "an imported DLL's name", &name))
                    return false;
                image->importedDlls.push_back(name);
                // Linkers that bind leave the names only in the lookup table.
                return ReadImportedFunctions(name, lookupRva != 0 ? lookupRva : addressRva, image);
            });
    }

    // A DLL's table of imported functions: one entry per function, each an
    // ordinal (top bit set) or the RVA of a 2-byte hint and the name; a
    // zero entry ends it.
    bool ReadImportedFunctions(const std::string& dll, std::uint64_t tableRva, PeImage* image)
    {
        const std::uint32_t entrySize = pe32Plus_ ? 8 : 4;
        const std::uint64_t ordinalFlag = pe32Plus_ ? 1ull << 63 : 1ull << 31;
        for (std::uint32_t index = 0; index < kMaxImportsPerDll; ++index) {
            std::uint64_t offset = 0;
            if (!LocateField(tableRva + std::uint64_t{index} * entrySize, entrySize,
                             "an imported function's entry", &offset))
                return false;
            std::uint64_t entry = 0;
            if (pe32Plus_) {
                Read(offset, &entry);
            } else {
                std::uint32_t narrow = 0;
                Read(offset, &narrow);
                entry = narrow;
            }
            if (entry == 0)
                return true;
            std::string function;
            if ((entry & ordinalFlag) != 0)
                function = "#" + std::to_string(entry & 0xFFFF);
            else if (!ReadName((entry & 0x7FFFFFFF) + 2, "an imported function's name", &function))
                return false;
            image->importedFunctions.push_back({dll, std::move(function)});
        }
        return Fail(dll + "'s import table has no end within " + std::to_string(kMaxImportsPerDll) +
                    " entries");
    }

    // Delay-loaded DLLs are imports too: the module fails the same way when
    // one is missing, only later.
    bool ReadDelayImports(PeImage* image)
    {
        DataDirectory directory;
        if (!ReadDirectory(kDelayImportDirectory, &directory))
            return false;
        if (directory.rva == 0)
            return true;
        return WalkDescriptors(
            directory.rva, kDelayDescriptorSize, "a delay-load descriptor", [&](std::uint64_t descriptor) {
                std::uint32_t attributes = 0;
                std::uint32_t nameField = 0;
                std::uint32_t namesField = 0;
                if (!ReadField(descriptor, &attributes, "a delay-load descriptor") ||
                    !ReadField(descriptor + 4, &nameField, "a delay-load descriptor") ||
                    !ReadField(descriptor + 16, &namesField, "a delay-load descriptor"))
                    return false;
                // The oldest form holds addresses, not RVAs.
                const bool rvas = (attributes & kDelayLoadUsesRvas) != 0;
                const auto toRva = [&](std::uint64_t field) {
                    return rvas ? field : field >= imageBase_ ? field - imageBase_ : ~0ull;
                };
                std::string name;
                if (!ReadName(toRva(nameField), "a delay-loaded DLL's name", &name))
                    return false;
                image->importedDlls.push_back(name);
                return namesField == 0 || ReadImportedFunctions(name, toRva(namesField), image);
            });
    }

    std::span<const std::uint8_t> file_;
    std::string error_;
    std::uint16_t sectionCount_ = 0;
    std::uint64_t optionalHeader_ = 0;
    std::uint32_t optionalSize_ = 0;
    std::uint64_t sectionTable_ = 0;
    std::uint32_t directoryCountOffset_ = 0;
    std::uint32_t directoryCount_ = 0;
    std::uint64_t imageBase_ = 0;
    bool pe32Plus_ = false;
    std::vector<Section> sections_;
};

} // namespace

bool ParsePeImage(std::span<const std::uint8_t> file, PeImage* image, std::string* error)
{
    PeReader reader(file);
    if (reader.Parse(image))
        return true;
    *error = reader.error();
    return false;
}

bool ReadPeImage(const std::string& path, PeImage* image, std::string* error)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        *error = "cannot open " + path;
        return false;
    }
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::uint64_t>(size) > kMaxFileSize) {
        *error = path + " is not a module of a size this reader accepts";
        return false;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        *error = "cannot read " + path;
        return false;
    }
    if (!ParsePeImage(bytes, image, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}

} // namespace torvex::testing
