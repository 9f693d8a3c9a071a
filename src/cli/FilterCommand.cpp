// hublanectl filter: asks an IP filter list about addresses, or tells what it holds.
#include <QStringList>
#include <vector>

#include "cli/Commands.h"
#include "cli/ListRowText.h"
#include "cli/VerbLine.h"
#include "serverlist/IpFilterFile.h"

namespace hublane::cli {
namespace {

using serverlist::IpFilter;
using serverlist::IpFilterFile;
using serverlist::IpFilterLoad;

// What every filter verb says of FILE.
constexpr const char* kFileHelp =
    "FILE holds one range a line, in any of these forms:\n"
    "  first - last , level , description   (a level of 127 or more lets the range through)\n"
    "  description:first-last\n"
    "  first-last   (a hyphen or an en dash; leading zeros allowed)\n"
    "  address\n"
    "Lines starting with '#' or '//' are comments. FILE may be gzip-compressed.\n";

// Reads the list; nullopt after printing why it cannot be read.
std::optional<IpFilterLoad> Load(const QString& path, Io& io) {
    IpFilterLoad load = IpFilterFile::Read(path);
    if (load.Failed()) {
        Fail(io, QStringLiteral("%1: %2").arg(path, QString::fromStdString(load.error)));
        return std::nullopt;
    }
    return load;
}

int Check(const VerbLine& line, Io& io) {
    std::vector<std::uint32_t> addresses;
    for (const QString& text : line.Args().mid(1)) {
        const auto address = IpFilter::ParseAddress(text.toStdString());
        if (!address) {
            return line.UsageError(io, QStringLiteral("'%1' is not an address a.b.c.d").arg(text));
        }
        addresses.push_back(*address);
    }
    const QString path = line.Args().at(0);
    const auto load = Load(path, io);
    if (!load) {
        return kExitFailure;
    }
    if (load->skippedCount > 0) {
        io.err << "hublanectl: " << path << ": " << load->skippedCount
               << " line(s) skipped (see filter stats)\n";
    }
    const Latin1Stream bytesOut(&io.out);
    for (const std::uint32_t address : addresses) {
        if (const auto description = load->filter.Description(address)) {
            io.out << "blocked\t" << EscapeField(*description) << '\n';
        } else {
            io.out << "allowed\n";
        }
    }
    return kExitOk;
}

int Stats(const VerbLine& line, Io& io) {
    const QString path = line.Args().at(0);
    const auto load = Load(path, io);
    if (!load) {
        return kExitFailure;
    }
    io.out << "ranges\t" << load->filter.RangeCount() << '\n'
           << "addresses\t" << static_cast<qulonglong>(load->filter.AddressCount()) << '\n'
           << "lines\t" << load->lineCount << '\n'
           << "blocking lines\t" << load->blockingLines << '\n'
           << "passing lines\t" << load->passingLines << '\n'
           << "skipped lines\t" << load->skippedCount << '\n';
    {
        const Latin1Stream bytesOut(&io.out);
        for (const serverlist::IpFilterSkippedLine& skipped : load->skipped) {
            const std::string_view reason = serverlist::IpFilterSkipText(skipped.reason);
            io.out << "skipped\t" << skipped.number << '\t'
                   << QString::fromLatin1(reason.data(), static_cast<qsizetype>(reason.size())) << '\t'
                   << EscapeField(skipped.text) << '\n';
        }
    }
    if (load->filter.Empty()) {
        return Fail(io, QStringLiteral("%1: no range loaded").arg(path));
    }
    return kExitOk;
}

}  // namespace

std::vector<Verb> FilterVerbs() {
    return {
        {{.name = "filter check",
          .arguments = "FILE ADDRESS...",
          .summary = "for each address, \"blocked<TAB>DESCRIPTION\" or \"allowed\" as the IP filter list "
                     "FILE decides (classic, P2P or loose lines; gzip read too)",
          .details = "Prints, for each address a.b.c.d in the order given, \"blocked<TAB>DESCRIPTION\" (the "
                     "description as stored, \\\\ \\t \\r \\n and \\xNN escaped) or \"allowed\", as the IP "
                     "filter list FILE decides. Lines of FILE that fit no form are counted on standard error "
                     "(see filter stats).",
          .epilog = std::string(kFileHelp) + "Exit status 1 when FILE cannot be read."},
         2,
         -1,
         &Check},
        {{.name = "filter stats",
          .arguments = "FILE",
          .summary =
              "the ranges FILE blocks, the addresses they cover and each line skipped, with its number; "
              "exit status 1 when no range loaded",
          .details = "Prints what the IP filter list FILE holds, one NAME<TAB>VALUE a line:\n"
                     "  ranges          blocked ranges, after merging overlaps and repeats\n"
                     "  addresses       the addresses they cover\n"
                     "  lines           lines in the file\n"
                     "  blocking lines  lines that block a range\n"
                     "  passing lines   lines whose level (127 or more) lets their range through\n"
                     "  skipped lines   lines that fit no form\n"
                     "then each skipped line as skipped<TAB>NUMBER<TAB>REASON<TAB>TEXT (the text as stored, "
                     "escaped, cut after 200 bytes; the first 10000 such lines).",
          .epilog = std::string(kFileHelp) + "Exit status 1 when FILE cannot be read or no range loaded."},
         1,
         1,
         &Stats},
    };
}

}  // namespace hublane::cli
