// Repaint times of the call board: the literal drawing (reference) beside
// the cached drawing, for board sizes, list shapes, box effect, and warm
// (same list again, an exposure) versus cold (a new call list with new
// names) repaints, and a board on a screen scaled to 200 % (composed at
// device pixels). Prints min / median / p95 in milliseconds.
//
//   bench_board [--reps-reference N] [--reps-cached N] [--save DIR]
//               [--profile WIDTH HEIGHT RESOURCES CALLERS]
//               [--only first [--no-reference] | --only RESOURCESxCALLERS]
//
// --only first runs just the first paints of the one-resource board (run
// the program again for another sample: a first paint is only first once
// per process, as Qt keeps font engines between boards); --only 12x3 runs
// just that list shape of the main table. --no-reference leaves out the
// reference paints of the first rows (for profiling the cached one).

#include "BenchFigures.h"
#include "BoardBenchNames.h"
#include "display/board/CallBoard.h"
#include "display/board/FontFitter.h"
#include "protocol/Records.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace tesk;
using namespace tesk::bench;

namespace {

using bench::Figures;
using bench::Summarise;


// A call list as the dispatcher builds it; `generation` makes every name new.
TCallList makeList(int resources, int callers, int generation)
{
    TCallList list;
    for (int r = 0; r < resources; ++r) {
        auto call = std::make_unique<TCallObject>();
        call->CallName = QString::fromUtf8(kResourceNames[r % 12]) + QLatin1Char(' ') + QString::number(generation % 100);
        call->CallLopnr = r + 1;
        call->CallColour = kResourceColours[r % 8];
        call->CallIX = r;
        for (int t = 0; t < callers; ++t) {
            auto c = std::make_unique<TCaller>();
            c->CallerName = QString::fromUtf8(kCallerNames[(r + t + generation) % 10]) + QLatin1Char(' ')
                          + QString::number((generation * 7 + t) % 50);
            c->CallerLopnr = 100 + t;
            c->CallerColour = kCallerColours[(r + t) % 6];
            c->CallTimeStamp = 45000.3 + (generation * 13 + t) / 1440.0;
            if ((r + t) % 3 == 1) {
                c->CallComingLopnr = 5;
                c->CallComingName = QStringLiteral("Syster Karin");
                c->CallComingTimeStamp = c->CallTimeStamp + 0.002;
            }
            call->CurrentCallList.push_back(std::move(c));
        }
        list.push_back(std::move(call));
    }
    return list;
}

QImage makePicture()
{
    QImage img(1600, 1200, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, qRgb((x / 7) & 0xFF, (y / 5) & 0xFF, ((x + y) / 11) & 0xFF));
    return img;
}

// Out of line, so that a profiler can collect just the timed work.
[[gnu::noinline]] double timeOnce(const std::function<void()>& fn)
{
    QElapsedTimer t;
    t.start();
    fn();
    return double(t.nsecsElapsed()) / 1e6;
}

void configure(CallBoard& cb, QSize size, bool effect, const QImage& picture, qreal ratio = 1.0)
{
    BoardSettings s;
    s.FPaintEffect = effect;
    cb.setSettings(s);
    cb.setKliniknamn(QStringLiteral("Vårdcentralen Norrviken"));
    cb.setBackgroundPicture(picture);
    cb.resize(size);
    cb.setLongTimeFormat(QStringLiteral("HH:mm:ss"));
    cb.setDevicePixelRatio(ratio);
}

Figures run(QSize size, int resources, int callers, bool effect, bool cold, CallBoard::Path path, int reps,
            const QImage& picture, qreal ratio = 1.0)
{
    // One board per series, its caches warmed by a first paint as a running
    // program's would be.
    CallBoard cb;
    configure(cb, size, effect, picture, ratio);
    int generation = 1;
    TCallList list = makeList(resources, callers, generation);
    cb.PaintBox1Paint(list, path);
    std::vector<double> ms;
    for (int i = 0; i < reps; ++i) {
        if (cold)
            list = makeList(resources, callers, ++generation);
        ms.push_back(timeOnce([&] { cb.PaintBox1Paint(list, path); }));
    }
    return Summarise(ms);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    int repsReference = 3;
    int repsCached = 20;
    QString saveDir;
    QList<int> profile; // width height resources callers: only repeat that warm cached paint
    QString only;       // "first", or a list shape such as "12x3"
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--reps-reference"))
            repsReference = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--reps-cached"))
            repsCached = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--save"))
            saveDir = args[i + 1];
        else if (args[i] == QLatin1String("--profile") && i + 4 < args.size())
            profile = {args[i + 1].toInt(), args[i + 2].toInt(), args[i + 3].toInt(), args[i + 4].toInt()};
        else if (args[i] == QLatin1String("--only"))
            only = args[i + 1];
    }
    const bool skipReference = args.contains(QLatin1String("--no-reference"));
    const bool onlyFirst = only == QLatin1String("first");
    const QStringList onlyShape = onlyFirst ? QStringList() : only.split(QLatin1Char('x'));
    const bool onlyList = onlyShape.size() == 2;
    auto listWanted = [&](int resources, int callers) {
        if (onlyFirst)
            return false;
        return !onlyList || (onlyShape[0].toInt() == resources && onlyShape[1].toInt() == callers);
    };
    const bool everything = only.isEmpty();

    const QImage picture = makePicture();

    if (profile.size() == 4) {
        const Figures f = run(QSize(profile[0], profile[1]), profile[2], profile[3], true, false, CallBoard::Path::Cached,
                              repsCached, picture);
        std::printf("cached warm: %.2f %.2f %.2f\n", f.min, f.median, f.p95);
        return 0;
    }

    if (!saveDir.isEmpty()) {
        QDir().mkpath(saveDir);
        for (int mode : {0, 1}) {
            CallBoard cb;
            configure(cb, QSize(1920, 1080), true, picture);
            BoardSettings s = cb.settings();
            s.TESKShowMode = mode;
            cb.setSettings(s);
            TCallList list = makeList(mode == 0 ? 12 : 6, 3, 1);
            cb.PaintBox1Paint(list);
            cb.image().save(QDir(saveDir).filePath(QStringLiteral("board_%1.png").arg(mode == 0 ? "landscape" : "portrait")));
            cb.setDevicePixelRatio(2);
            cb.PaintBox1Paint(list);
            cb.image().save(
                QDir(saveDir).filePath(QStringLiteral("board_%1_200.png").arg(mode == 0 ? "landscape" : "portrait")));
        }
    }

    // The font fitting alone: the watermark of a 4K board, from cold caches.
    if (everything) {
        const QSize box(3840 - 40, 2160 / 5);
        const QString name = QStringLiteral("Vårdcentralen Vallentuna Norra");
        int a = 0;
        int b = 0;
        const double literal = timeOnce([&] { a = FitFontSize(QStringLiteral("Tahoma"), 10, box, name); });
        FontFitter fitter;
        const double fast = timeOnce([&] { b = fitter.fit(QStringLiteral("Tahoma"), 10, box, name); });
        std::printf("watermark font fit at 3840x2160: stepping %.2f ms, fast %.2f ms (%lld measurements), size %d / %d\n",
                    literal, fast, static_cast<long long>(fitter.measurements()), a, b);
    }

    if (!onlyFirst) {
        std::printf("board repaint, ms; background picture and watermark on; reference reps %d, cached reps %d\n",
                    repsReference, repsCached);
        std::printf("%-10s %-6s %-6s %-5s | %28s | %28s\n", "size", "list", "effect", "paint",
                    "reference min/median/p95", "cached min/median/p95");
    }
    for (QSize size : {QSize(1920, 1080), QSize(3840, 2160)})
        for (int resources : {4, 12, 24})
            for (int callers : {0, 3, 8})
                for (bool effect : {true, false})
                    for (bool cold : {false, true}) {
                        if (!listWanted(resources, callers))
                            continue;
                        const Figures ref =
                            run(size, resources, callers, effect, cold, CallBoard::Path::Reference, repsReference, picture);
                        const Figures fast =
                            run(size, resources, callers, effect, cold, CallBoard::Path::Cached, repsCached, picture);
                        std::printf("%-10s %-6s %-6s %-5s | %8.2f %8.2f %8.2f | %8.2f %8.2f %8.2f\n",
                                    qPrintable(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())),
                                    qPrintable(QStringLiteral("%1x%2").arg(resources).arg(callers)),
                                    effect ? "on" : "off", cold ? "cold" : "warm", ref.min, ref.median, ref.p95,
                                    fast.min, fast.median, fast.p95);
                        std::fflush(stdout);
                    }

    // A 4K screen scaled to 200 %: a board of 1920 x 1080 board pixels
    // composed at 3840 x 2160 device pixels.
    if (everything)
        std::printf("board repaint at 200 %% (1920x1080 board pixels, 3840x2160 device pixels), ms\n");
    for (int resources : {4, 12, 24})
        for (int callers : {3, 8})
            for (bool effect : {true, false})
                for (bool cold : {false, true}) {
                    if (!everything)
                        continue;
                    const Figures ref = run(QSize(1920, 1080), resources, callers, effect, cold,
                                            CallBoard::Path::Reference, repsReference, picture, 2.0);
                    const Figures fast = run(QSize(1920, 1080), resources, callers, effect, cold,
                                             CallBoard::Path::Cached, repsCached, picture, 2.0);
                    std::printf("%-10s %-6s %-6s %-5s | %8.2f %8.2f %8.2f | %8.2f %8.2f %8.2f\n", "1920x1080@2",
                                qPrintable(QStringLiteral("%1x%2").arg(resources).arg(callers)), effect ? "on" : "off",
                                cold ? "cold" : "warm", ref.min, ref.median, ref.p95, fast.min, fast.median, fast.p95);
                    std::fflush(stdout);
                }

    // One resource with a short name: its header and call boxes are nearly
    // board-sized, with hundreds of shaded rings. First paint of a new
    // board, then a warm repaint.
    for (QSize size : {QSize(1920, 1080), QSize(3840, 2160)}) {
        if (!everything && !onlyFirst)
            break;
        if (onlyFirst) {
            // As after the rows above: fonts loaded and a board drawn both ways.
            for (CallBoard::Path path : {CallBoard::Path::Reference, CallBoard::Path::Cached}) {
                CallBoard cb;
                configure(cb, size, true, picture);
                TCallList list = makeList(12, 3, 1);
                cb.PaintBox1Paint(list, path);
            }
        }
        {
            // The list arriving on a running board: the background, the
            // watermark and another list's boxes are kept, so this is what
            // new names, font sizes and boxes cost.
            CallBoard cb;
            configure(cb, size, true, picture);
            TCallList before = makeList(12, 3, 1);
            cb.PaintBox1Paint(before);
            TCallList list = makeList(1, 2, 1);
            list[0]->CallName = QStringLiteral("Bo");
            const double ms = timeOnce([&] { cb.PaintBox1Paint(list); });
            std::printf("%-10s 1x2    on     name \"Bo\" after a 12x3 list, first | cached %8.2f\n",
                        qPrintable(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())), ms);
        }
        double first[2] = {0, 0};
        double warm[2] = {0, 0};
        for (int k = skipReference ? 1 : 0; k < 2; ++k) {
            CallBoard cb;
            configure(cb, size, true, picture);
            TCallList list = makeList(1, 2, 1);
            list[0]->CallName = QStringLiteral("Bo");
            const CallBoard::Path path = k == 0 ? CallBoard::Path::Reference : CallBoard::Path::Cached;
            first[k] = timeOnce([&] { cb.PaintBox1Paint(list, path); });
            warm[k] = timeOnce([&] { cb.PaintBox1Paint(list, path); });
        }
        std::printf("%-10s 1x2    on     name \"Bo\", first / warm | reference %8.2f %8.2f | cached %8.2f %8.2f\n",
                    qPrintable(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())), first[0], warm[0],
                    first[1], warm[1]);
    }

    // A new background picture (every few minutes): the scaled picture and
    // its watermark are remade once, then repaints are warm again.
    for (QSize size : {QSize(1920, 1080), QSize(3840, 2160)}) {
        if (!everything)
            break;
        CallBoard cb;
        configure(cb, size, true, picture);
        TCallList list = makeList(12, 3, 1);
        cb.PaintBox1Paint(list);
        std::vector<double> ms;
        for (int i = 0; i < std::max(3, repsCached / 4); ++i) {
            QImage next = picture.copy();
            next.setPixel(i, 0, qRgb(i, 0, 0));
            cb.setBackgroundPicture(next);
            ms.push_back(timeOnce([&] { cb.PaintBox1Paint(list); }));
        }
        const Figures f = Summarise(ms);
        std::printf("%-10s 12x3   on     new picture, cached | %8.2f %8.2f %8.2f\n",
                    qPrintable(QStringLiteral("%1x%2").arg(size.width()).arg(size.height())), f.min, f.median, f.p95);
    }
    return 0;
}
