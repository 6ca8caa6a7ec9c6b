#include "frontends/console/ShortResult.h"

#include "base/Format.h"
#include "frontends/console/ConsoleOutput.h"
#include "platform/ConsoleText.h"
#include "platform/TextCodec.h"

namespace qv::console {
namespace {

// `value` with three figures and its unit of a list of steps of 1000.
std::string scaled(double value, const char* const units[], int unitCount) {
    int unit = 0;
    while (value >= 999.5 && unit + 1 < unitCount) {
        value /= 1000;
        ++unit;
    }
    int decimals = unit == 0 ? 0 : value < 9.995 ? 2 : value < 99.95 ? 1 : 0;
    return strprintf("%.*f %s", decimals, value, units[unit]);
}

}  // namespace

std::string byteAmountText(std::int64_t bytes) {
    static const char* const kUnits[] = {"B", "KB", "MB", "GB", "TB"};
    return scaled(static_cast<double>(bytes), kUnits, 5);
}

std::string bitRateText(std::int64_t bytes, double seconds) {
    static const char* const kUnits[] = {"bit/s", "kbit/s", "Mbit/s", "Gbit/s", "Tbit/s"};
    double bits = seconds > 0 ? static_cast<double>(bytes) * 8 / seconds : 0;
    return scaled(bits, kUnits, 5);
}

std::string intervalLine(double startS, double endS, std::int64_t bytes, std::string_view role) {
    std::string line =
        strprintf("%6.2f-%-6.2f s  %9s  %12s", startS, endS, byteAmountText(bytes).c_str(),
                  bitRateText(bytes, endS - startS).c_str());
    if (!role.empty()) line += "  " + std::string(role);
    return line;
}

std::string dropProgressText(const TransferProgress& progress) {
    std::string text;
    if (progress.fileCount > 0)
        text += strprintf("file %d of %d  ", progress.fileNumber, progress.fileCount);
    if (!progress.fileName.empty())
        text += cp932ToUtf8Lossy(escapeControls(progress.fileName)) + "  ";
    text += byteAmountText(progress.done) + " / " + byteAmountText(progress.total);
    if (progress.bytesPerSecond > 0) text += "  " + byteAmountText(progress.bytesPerSecond) + "/s";
    if (progress.finished) return text + "  done";
    if (std::int64_t left = progress.secondsLeft(); left >= 0)
        text += strprintf("  %lld s left", static_cast<long long>(left));
    return text;
}

ShortResult::ShortResult(std::FILE* out) : out_(out), terminal_(isTerminal(out)) {}

void ShortResult::line(const std::string& utf8) {
    endProgress();
    std::fprintf(out_, "%s\n", utf8.c_str());
    std::fflush(out_);
}

void ShortResult::intervalHeading() {
    line("   Interval        Transfer       Bitrate");
}

void ShortResult::progress(const TransferProgress& progress) {
    if (!terminal_ || progress.direction != TransferProgress::Direction::Send) return;
    std::string text = dropProgressText(progress);
    // Blanks cover what a longer line before left.
    std::size_t width = text.size();
    if (width < progressWidth_) text.append(progressWidth_ - width, ' ');
    std::fprintf(out_, "\r%s", text.c_str());
    std::fflush(out_);
    progressWidth_ = width == 0 ? 1 : width;
}

void ShortResult::endProgress() {
    if (progressWidth_ == 0) return;
    std::fputc('\n', out_);
    progressWidth_ = 0;
}

}  // namespace qv::console
