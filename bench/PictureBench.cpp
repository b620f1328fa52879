// Times the picture pipeline: LoadTilePictureToBitmap (fit and crop onto a screen) and the
// 24-bit BMP write, stage by stage, with the peak memory of each job; and the rebuild of the
// picture list from directory rows.
//
//   tapestrel_bench                      generates the pictures (once) and runs every case
//   tapestrel_bench generate DIR         writes the test pictures into DIR
//   tapestrel_bench job PICTURE WxH OUT.bmp [normalize]
//                                        one job, as bench/compare.sh times it
//   tapestrel_bench monitors PICTURE PICTURE WxH OUT.bmp OUT.bmp
//                                        two monitors of that size, a picture each, loaded side
//                                        by side as the program does, both BMPs written
//   tapestrel_bench generate-tree DIR    writes the directory tree the scan is timed on (once)
//   tapestrel_bench filter               prints the picture masks the scan uses
//   tapestrel_bench scan DIR... [--recursive]
//                                        the rebuild with one row per DIR, as compare.sh times it
//   tapestrel_bench redraw WxH OUT.bmp   a recomposition without reload (the calendar painted
//                                        on the fitted picture, the BMP written) against writing
//                                        the BMP alone, alternating, in one process
//
// Every case runs in a fresh process, as the program meets a picture: nothing stays warm in
// memory between runs but the file system's cache.

#include "BitmapFile.h"
#include "CalendarPainting.h"
#include "Error.h"
#include "File.h"
#include "FramePictures.h"
#include "MyGDIPlus.h"
#include "Mytime.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct TBenchPicture {
    const char* Name;
    int Width;
    int Height;
    const char* Format;
};

const TBenchPicture kPictures[] = {
    {"photo-24mp.jpg", 6000, 4000, "jpeg"},
    {"photo-45mp.jpg", 8192, 5464, "jpeg"},
    {"photo-12mp.png", 4000, 3000, "png"},
    {"photo-2mp.jpg", 1920, 1080, "jpeg"},
};

// A second photograph for the other monitor, generated but not timed on its own.
const TBenchPicture kSecondPhoto = {"photo-24mp-b.jpg", 6000, 4000, "jpeg"};

const QSize kScreens[] = {{1920, 1080}, {3840, 2160}};

// The scan's tree: 100 directories of 1,000 pictures and 50 other files each.
constexpr int kTreeDirectories = 100;
constexpr int kTreePictures = 1000;
constexpr int kTreeOthers = 50;
// Cameras, phones and editors spell extensions in either case.
const char* const kTreeExtensions[] = {"jpg", "JPG", "jpeg", "png", "PNG", "Jpg", "bmp", "gif"};

// Gradients across the whole picture, a few soft shapes and grain: about as hard on a JPEG
// decoder as a photograph (some 3 bits a pixel at quality 90).
QImage MakePicture(int width, int height, unsigned seed) {
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> grain(-18, 18);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double fy = static_cast<double>(y) / height;
        for (int x = 0; x < width; ++x) {
            const double fx = static_cast<double>(x) / width;
            const double wave =
                40.0 * std::sin(fx * 23.0 + fy * 7.0) * std::cos(fy * 17.0 - fx * 5.0);
            const int shade = grain(random);
            row[x] = qRgb(
                std::clamp(static_cast<int>(30 + 190 * fx + wave) + shade, 0, 255),
                std::clamp(static_cast<int>(60 + 150 * fy - wave) + shade, 0, 255),
                std::clamp(static_cast<int>(200 - 120 * (fx + fy) / 2 + wave / 2) + shade, 0, 255));
        }
    }
    return image;
}

int Generate(const fs::path& directory) {
    fs::create_directories(directory);
    unsigned seed = 1;
    std::vector<TBenchPicture> samples(std::begin(kPictures), std::end(kPictures));
    samples.push_back(kSecondPhoto);
    for (const TBenchPicture& sample : samples) {
        const fs::path path = directory / sample.Name;
        if (fs::exists(path)) continue;
        std::printf("generating %s (%dx%d)\n", sample.Name, sample.Width, sample.Height);
        std::fflush(stdout);
        QImageWriter writer(QString::fromStdString(path.string()), sample.Format);
        writer.setQuality(90);
        if (!writer.write(MakePicture(sample.Width, sample.Height, seed++))) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}

fs::path TreeDirectory(const fs::path& root, int number) {
    char name[24];
    std::snprintf(name, sizeof name, "album-%03d", number + 1);
    return root / name;
}

// A directory's files by index: the pictures, then sidecars and notes beside some of them.
std::string TreeFileName(int index) {
    char name[32];
    if (index < kTreePictures) {
        std::snprintf(name, sizeof name, "IMG_%04d.%s", index + 1,
                      kTreeExtensions[index % std::size(kTreeExtensions)]);
    } else {
        const int other = index - kTreePictures;
        std::snprintf(name, sizeof name, "IMG_%04d.%s", other * 20 + 1, other % 2 ? "txt" : "xmp");
    }
    return name;
}

int GenerateTree(const fs::path& root) {
    // The files are written in order, so the last one present means an earlier run finished.
    if (fs::exists(TreeDirectory(root, kTreeDirectories - 1) /
                   TreeFileName(kTreePictures + kTreeOthers - 1)))
        return 0;
    std::printf("generating %d files under %s\n", kTreeDirectories * (kTreePictures + kTreeOthers),
                root.c_str());
    std::fflush(stdout);
    for (int number = 0; number < kTreeDirectories; ++number) {
        const fs::path directory = TreeDirectory(root, number);
        fs::create_directories(directory);
        for (int index = 0; index < kTreePictures + kTreeOthers; ++index) {
            const fs::path path = directory / TreeFileName(index);
            std::FILE* file = std::fopen(path.c_str(), "w");
            if (file == nullptr) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
            std::fclose(file);
        }
    }
    return 0;
}

// Prints the report of a failure; true when there was one.
bool Failed(const TFunStatContext& outcome) {
    if (!outcome.Failed()) return false;
    std::fprintf(stderr, "%s\n", outcome.GetReport().c_str());
    return true;
}

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

double Now() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int Job(const std::string& picture, const QSize& screen, const std::string& output,
        bool normalize) {
    const double start = Now();
    TResizeRules rules;
    rules.FitAndCrop = true;
    rules.DesktopWidth = screen.width();
    rules.DesktopHeight = screen.height();
    TPictureEffects effects;
    effects.NormalizeBrightness = normalize;
    QImage bitmap;
    TPictureStageTimes times;
    LoadTilePictureToBitmap(picture, bitmap, 0x00303030, nullptr, nullptr, effects, rules, {},
                            &times);
    if (Failed(FunStatContext)) return 1;
    const double written = Now();
    WriteBitmapFile(bitmap, output);
    if (Failed(FunStatContext)) return 1;
    const double end = Now();
    std::printf("decode %.1f normalize %.1f draw %.1f tile %.1f write %.1f total %.1f peak %.1f\n",
                times.Decode, times.Normalize, times.Draw, times.Tile, end - written, end - start,
                PeakMegabytes());
    return 0;
}

// The program's composition for two monitors without the calendar: both pictures loaded side by
// side, the other monitor's bitmap written as soon as it is ready, the primary's (which would get
// the calendar) once both are loaded.
int Monitors(const std::string& first, const std::string& second, const QSize& screen,
             const std::string& firstOutput, const std::string& secondOutput) {
    const double start = Now();
    std::vector<TFramePictureJob> jobs(2);
    jobs[0].Candidates = {first};
    jobs[1].Candidates = {second};
    for (TFramePictureJob& job : jobs) {
        job.Rules.FitAndCrop = true;
        job.Rules.DesktopWidth = screen.width();
        job.Rules.DesktopHeight = screen.height();
    }
    jobs[1].Loaded = [&secondOutput](TFramePicture& picture) {
        WriteBitmapFile(picture.Bitmap, secondOutput);
    };
    const std::vector<TFramePicture> pictures =
        LoadFramePictures(jobs, 0x00303030, {}, {}, [] { return true; });
    for (const TFramePicture& picture : pictures)
        if (Failed(picture.Outcome)) return 1;
    WriteBitmapFile(pictures[0].Bitmap, firstOutput);
    if (Failed(FunStatContext)) return 1;
    const double end = Now();
    std::printf("total %.1f peak %.1f\n", end - start, PeakMegabytes());
    return 0;
}

// The rebuild of the picture list: each row's pictures sorted on their own, the groups in the
// rows' order.
int Scan(const std::vector<std::string>& rows, bool recurse) {
    const double start = Now();
    const std::string filter = GetPictureExtensionsAsFilter();
    const double filtered = Now();
    std::vector<std::string> pictures;
    double scanning = 0.0;
    double sorting = 0.0;
    for (const std::string& row : rows) {
        const double rowStart = Now();
        std::vector<std::string> group;
        LoadFilesList(row, filter, group, recurse);
        if (FunStatContext.Failed()) {
            std::fprintf(stderr, "%s\n", FunStatContext.GetReport().c_str());
            return 1;
        }
        const double scanned = Now();
        SortFileList(group);
        sorting += Now() - scanned;
        scanning += scanned - rowStart;
        pictures.insert(pictures.end(), std::make_move_iterator(group.begin()),
                        std::make_move_iterator(group.end()));
    }
    const double end = Now();
    std::printf("pictures %zu filter %.1f scan %.1f sort %.1f total %.1f peak %.1f\n",
                pictures.size(), filtered - start, scanning, sorting, end - start, PeakMegabytes());
    return 0;
}

struct TJobResult {
    std::vector<double> Stages;  // decode, normalize, draw, tile, write, total
    double Wall = 0.0;           // the whole process, start-up included
    double PeakMegabytes = 0.0;
};

bool RunJob(const std::vector<std::string>& arguments, TJobResult& result) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    const double start = Now();
    pid_t child = 0;
    const int spawned =
        posix_spawn(&child, "/proc/self/exe", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    std::string output;
    char buffer[512];
    ssize_t count;
    while ((count = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, static_cast<size_t>(count));
    close(pipeFds[0]);
    if (spawned != 0) return false;
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    result.Wall = Now() - start;
    result.PeakMegabytes = usage.ru_maxrss / 1024.0;
    result.Stages.assign(6, 0.0);
    double peak = 0.0;
    const int fields = std::sscanf(
        output.c_str(), "decode %lf normalize %lf draw %lf tile %lf write %lf total %lf peak %lf",
        &result.Stages[0], &result.Stages[1], &result.Stages[2], &result.Stages[3],
        &result.Stages[4], &result.Stages[5], &peak);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && fields == 7;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The wallpaper of one recomposition without reload: a copy of the fitted picture with the
// calendar on it, as the program composes it; the painting's time goes to painted.
QImage Recompose(const QImage& fitted, const TCalendarSkin& skin, const QRect& area,
                 double& painted) {
    QImage wallpaper = fitted.copy();
    const double start = Now();
    QPainter canvas(&wallpaper);
    canvas.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                          QPainter::SmoothPixmapTransform);
    TGraphics graphics{canvas};
    TRelativeRect place;
    PaintMonthCalendar(graphics, skin, DateTimeNow(), area, place, 1.0);
    canvas.end();
    painted = Now() - start;
    return wallpaper;
}

int Redraw(const QSize& screen, const std::string& output) {
    constexpr int kRounds = 15;
    const QImage fitted = MakePicture(screen.width(), screen.height(), 5);
    const QRect area = QRect(QPoint(0, 0), screen).adjusted(20, 20, -20, -20);
    TCalendarSkin oval = TCalendarSkin::Default();
    oval.Set("SimpleBack", "FALSE");
    oval.Set("OvalBack", "TRUE");
    const std::pair<const char*, const TCalendarSkin*> contenders[] = {
        {"BMP written alone", nullptr},
        {"default calendar", nullptr},
        {"oval banded back", &oval},
    };
    const TCalendarSkin plain = TCalendarSkin::Default();
    std::vector<double> totals[3];
    std::vector<double> paintings[3];
    // Alternating, so that a change of the machine's load falls on all alike.
    for (int round = 0; round < kRounds; ++round) {
        for (size_t which = 0; which < std::size(contenders); ++which) {
            const double start = Now();
            double painted = 0.0;
            const TCalendarSkin* skin = which == 1 ? &plain : contenders[which].second;
            WriteBitmapFile(skin == nullptr ? fitted : Recompose(fitted, *skin, area, painted),
                            output);
            totals[which].push_back(Now() - start);
            paintings[which].push_back(painted);
        }
    }
    const double alone = Median(totals[0]);
    std::printf("redraw %dx%d, medians of %d rounds:\n", screen.width(), screen.height(), kRounds);
    for (size_t which = 0; which < std::size(contenders); ++which)
        std::printf("  %-18s %7.1f ms  (%.2fx the BMP alone; painting %.1f ms)\n",
                    contenders[which].first, Median(totals[which]), Median(totals[which]) / alone,
                    Median(paintings[which]));
    return 0;
}

int RunAll(const fs::path& directory) {
    if (Generate(directory) != 0) return 1;
    constexpr int kRuns = 5;
    const fs::path output = directory / "out.bmp";
    std::printf("\nmedian of %d runs, milliseconds; wall = the whole process; peak = peak RSS\n",
                kRuns);
    std::printf("%-16s %-10s %-4s %8s %8s %8s %8s %8s %8s %8s %8s\n", "picture", "screen", "norm",
                "decode", "normal.", "draw", "tile", "write", "total", "wall", "peak MB");
    for (const TBenchPicture& sample : kPictures) {
        for (const QSize& screen : kScreens) {
            for (bool normalize : {false, true}) {
                const std::string size =
                    std::to_string(screen.width()) + "x" + std::to_string(screen.height());
                std::vector<std::string> arguments = {"tapestrel_bench", "job",
                                                      (directory / sample.Name).string(), size,
                                                      output.string()};
                if (normalize) arguments.push_back("normalize");
                std::vector<std::vector<double>> stages(6);
                std::vector<double> walls;
                std::vector<double> peaks;
                TJobResult result;
                RunJob(arguments, result);  // once for the file system's cache
                for (int run = 0; run < kRuns; ++run) {
                    if (!RunJob(arguments, result)) {
                        std::fprintf(stderr, "job failed: %s %s\n", sample.Name, size.c_str());
                        return 1;
                    }
                    for (size_t i = 0; i < stages.size(); ++i)
                        stages[i].push_back(result.Stages[i]);
                    walls.push_back(result.Wall);
                    peaks.push_back(result.PeakMegabytes);
                }
                std::printf("%-16s %-10s %-4s %8.1f %8.1f %8.1f %8.1f %8.1f %8.1f %8.1f %8.1f\n",
                            sample.Name, size.c_str(), normalize ? "yes" : "no", Median(stages[0]),
                            Median(stages[1]), Median(stages[2]), Median(stages[3]),
                            Median(stages[4]), Median(stages[5]), Median(walls),
                            *std::max_element(peaks.begin(), peaks.end()));
                std::fflush(stdout);
            }
        }
    }
    fs::remove(output);
    return 0;
}

bool ParseSize(const std::string& text, QSize& size) {
    int width = 0;
    int height = 0;
    if (std::sscanf(text.c_str(), "%dx%d", &width, &height) != 2 || width < 1 || height < 1)
        return false;
    size = QSize(width, height);
    return true;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: tapestrel_bench [run DIR | generate DIR | job PICTURE WxH OUT.bmp "
                 "[normalize] | monitors PICTURE PICTURE WxH OUT.bmp OUT.bmp | generate-tree DIR | "
                 "filter | scan DIR... [--recursive] | "
                 "redraw WxH OUT.bmp]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // Text needs the fonts of a graphical application; the picture jobs start without its cost.
    const bool redraw = !arguments.empty() && arguments[0] == "redraw";
    if (redraw) qputenv("QT_QPA_PLATFORM", "offscreen");
    const auto application = redraw ? std::make_unique<QGuiApplication>(argc, argv)
                                    : std::make_unique<QCoreApplication>(argc, argv);
    const fs::path pictures =
        fs::path(QCoreApplication::applicationDirPath().toStdString()) / "pictures";
    if (arguments.empty()) return RunAll(pictures);
    if (arguments[0] == "run" && arguments.size() == 2) return RunAll(arguments[1]);
    if (arguments[0] == "generate" && arguments.size() == 2) return Generate(arguments[1]);
    if (arguments[0] == "generate-tree" && arguments.size() == 2) return GenerateTree(arguments[1]);
    if (arguments[0] == "filter" && arguments.size() == 1) {
        std::printf("%s\n", GetPictureExtensionsAsFilter().c_str());
        return 0;
    }
    if (arguments[0] == "scan") {
        const bool recurse = arguments.back() == "--recursive";
        const std::vector<std::string> rows(arguments.begin() + 1,
                                            arguments.end() - (recurse ? 1 : 0));
        if (!rows.empty()) return Scan(rows, recurse);
    }
    QSize screen;
    if (redraw && arguments.size() == 3 && ParseSize(arguments[1], screen))
        return Redraw(screen, arguments[2]);
    if (arguments[0] == "monitors" && arguments.size() == 6 && ParseSize(arguments[3], screen))
        return Monitors(arguments[1], arguments[2], screen, arguments[4], arguments[5]);
    if (arguments[0] == "job" && (arguments.size() == 4 || arguments.size() == 5) &&
        ParseSize(arguments[2], screen)) {
        return Job(arguments[1], screen, arguments[3],
                   arguments.size() == 5 && arguments[4] == "normalize");
    }
    return Usage();
}
