// SPDX-License-Identifier: MIT
#pragma once
// Writes the ticked history entries into a folder: an Internet-shortcut file per entry,
// named after its title, and optionally a bitmap of its thumbnail beside it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

// The file name of an entry: its title with \ / : , ; * ? " < > | each replaced by "_".
std::string shortcutFileName(std::string title);

// "[InternetShortcut]" CR LF "URL=<address>" CR LF, the address exactly as stored.
std::string shortcutFileContent(const std::string& address);

struct ExportEntry {
    std::string title;
    std::string address;
    std::string key;
    bool checked = false;
};

// What the writer reads and changes: the history pane's entries and their thumbnails.
class ExportSource {
  public:
    virtual ~ExportSource() = default;
    virtual int count() const = 0;
    virtual ExportEntry entry(int index) const = 0; // 1-based
    virtual void clearCheck(int index) = 0;
    // The thumbnail of the entry with that key as a complete BMP file; throws when missing.
    virtual std::vector<std::uint8_t> bitmapFile(const std::string& key) = 0;
};

struct ExportFailure {
    int index = 0;      // the entry the run stopped at
    std::string title;  // its title
    std::string reason; // why
};

struct ExportResult {
    int exported = 0; // entries counted, the failed one included when the run stopped
    std::optional<ExportFailure> failure;
};

// One export, an entry at a time, so that a window can draw and answer keys between entries.
class ExportRun {
  public:
    ExportRun(ExportSource& source, std::string folder, bool withBitmaps);
    // Writes the next ticked entry; false once the run is over (every entry done, or failed).
    bool step();
    bool finished() const { return result_.failure.has_value() || next_ > count_; }
    const ExportResult& result() const { return result_; }

  private:
    ExportSource& source_;
    std::string folder_;
    bool withBitmaps_;
    int count_;
    int next_ = 1;
    ExportResult result_;
};

// Walks the entries in order; each ticked one is counted, written (shortcut first, then the
// bitmap when `withBitmaps`) and unticked. The first failure stops the run there: earlier
// entries stay written and unticked, that one and later ones keep their ticks. Each file is
// written beside its final name and then renamed over it, so no half-written file is left and
// a symbolic link of that name is replaced, never followed.
ExportResult exportCheckedEntries(ExportSource& source, const std::string& folder,
                                  bool withBitmaps);

} // namespace quillet
