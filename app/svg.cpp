#include "app/svg.hpp"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "app/output.hpp"
#include "app/texts.hpp"
#include "solver/bounds/decimal.hpp"

namespace secant {

namespace {

constexpr double kWidth = 900;
constexpr double kHeight = 640;
constexpr double kPlotLeft = 70;
constexpr double kPlotTop = 30;
constexpr double kPlotWidth = 560;
constexpr double kPlotHeight = 560;
constexpr double kLegendLeft = 660;

const char* const kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#9467bd", "#ff7f0e",
                                "#17becf", "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22"};

bool isFinite(Complex z) {
    return std::isfinite(z.re) && std::isfinite(z.im);
}

struct View {
    double minRe = -2, maxRe = 2, minIm = -2, maxIm = 2;
    double scale = 1;

    [[nodiscard]] double x(double re) const { return kPlotLeft + (re - minRe) * scale; }
    [[nodiscard]] double y(double im) const { return kPlotTop + (maxIm - im) * scale; }
};

// Equal scales on both axes, the finite points with a margin around them.
View fitView(const IteratePicture& picture) {
    bool any = false;
    double minRe = 0, maxRe = 0, minIm = 0, maxIm = 0;
    auto includePoint = [&](double re, double im) {
        if (!std::isfinite(re) || !std::isfinite(im)) {
            return;
        }
        if (!any) {
            minRe = maxRe = re;
            minIm = maxIm = im;
            any = true;
        }
        minRe = std::min(minRe, re);
        maxRe = std::max(maxRe, re);
        minIm = std::min(minIm, im);
        maxIm = std::max(maxIm, im);
    };
    auto include = [&](Complex z) { includePoint(z.re, z.im); };
    for (int k = 1; k <= picture.searchCount; ++k) {
        std::for_each(picture.searches[k].points.begin(), picture.searches[k].points.end(),
                      include);
    }
    // Every refined root is in the picture, however far the searches were.
    for (int k = 1; k <= picture.refinedCount; ++k) {
        includePoint(picture.refined[k].centreRe, picture.refined[k].centreIm);
    }
    View view;
    if (!any) {
        view.scale = kPlotWidth / (view.maxRe - view.minRe);
        return view;
    }
    const double span =
        std::max({maxRe - minRe, maxIm - minIm, 1e-6 * std::max(1.0, std::abs(maxRe)), 1e-30});
    const double half = span * 0.55;
    const double centreRe = (minRe + maxRe) / 2;
    const double centreIm = (minIm + maxIm) / 2;
    view.minRe = centreRe - half;
    view.maxRe = centreRe + half;
    view.minIm = centreIm - half;
    view.maxIm = centreIm + half;
    view.scale = kPlotWidth / (2 * half);
    return view;
}

double niceStep(double span) {
    const double raw = span / 8;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= raw) {
            return factor * power;
        }
    }
    return 10 * power;
}

std::string number(double value) {
    return bounds::formatSignificant(value, bounds::kListingDigits);
}

void drawAxes(std::ostringstream& svg, const View& view) {
    svg << "<g class=\"axes\" stroke=\"#444\" stroke-width=\"1\">\n";
    svg << "<rect x=\"" << kPlotLeft << "\" y=\"" << kPlotTop << "\" width=\"" << kPlotWidth
        << "\" height=\"" << kPlotHeight << "\" fill=\"none\" stroke=\"#bbb\"/>\n";
    const double zeroX = view.minRe <= 0 && view.maxRe >= 0 ? view.x(0) : kPlotLeft;
    const double zeroY = view.minIm <= 0 && view.maxIm >= 0 ? view.y(0) : kPlotTop + kPlotHeight;
    svg << "<line x1=\"" << kPlotLeft << "\" y1=\"" << zeroY << "\" x2=\"" << kPlotLeft + kPlotWidth
        << "\" y2=\"" << zeroY << "\"/>\n";
    svg << "<line x1=\"" << zeroX << "\" y1=\"" << kPlotTop << "\" x2=\"" << zeroX << "\" y2=\""
        << kPlotTop + kPlotHeight << "\"/>\n";
    const double step = niceStep(view.maxRe - view.minRe);
    svg << "</g>\n<g class=\"ticks\" font-family=\"sans-serif\" font-size=\"11\" fill=\"#333\">\n";
    for (auto i = static_cast<long long>(std::ceil(view.minRe / step));
         static_cast<double>(i) * step <= view.maxRe; ++i) {
        const double value = static_cast<double>(i) * step;
        svg << "<line x1=\"" << view.x(value) << "\" y1=\"" << zeroY - 4 << "\" x2=\""
            << view.x(value) << "\" y2=\"" << zeroY + 4 << "\" stroke=\"#444\"/>"
            << "<text x=\"" << view.x(value) << "\" y=\"" << zeroY + 16
            << "\" text-anchor=\"middle\">" << number(value) << "</text>\n";
    }
    for (auto i = static_cast<long long>(std::ceil(view.minIm / step));
         static_cast<double>(i) * step <= view.maxIm; ++i) {
        const double value = static_cast<double>(i) * step;
        svg << "<line x1=\"" << zeroX - 4 << "\" y1=\"" << view.y(value) << "\" x2=\"" << zeroX + 4
            << "\" y2=\"" << view.y(value) << "\" stroke=\"#444\"/>"
            << "<text x=\"" << zeroX - 7 << "\" y=\"" << view.y(value) + 4
            << "\" text-anchor=\"end\">" << number(value) << "i</text>\n";
    }
    svg << "</g>\n";
}

// The finite points joined in order; a non-finite point breaks the line.
// An abandoned search is drawn faint and dashed, and only within the plot
// (a search that ran away would otherwise set the scale).
int drawPath(std::ostringstream& svg, const View& view, const std::vector<Complex>& points,
             int index, bool abandoned) {
    std::ostringstream d;
    int drawn = 0;
    bool pen = false;
    for (const Complex z : points) {
        if (!isFinite(z)) {
            pen = false;
            continue;
        }
        d << (pen ? " L " : (drawn == 0 ? "M " : " M ")) << view.x(z.re) << ' ' << view.y(z.im);
        pen = true;
        ++drawn;
    }
    const char* colour = kColours[index % 10];
    svg << "<path class=\"" << (abandoned ? "abandoned" : "iterates") << "\" data-root=\"" << index
        << "\" data-points=\"" << drawn << "\" d=\"" << d.str() << "\" fill=\"none\" stroke=\""
        << colour;
    if (abandoned) {
        svg << "\" stroke-width=\"0.8\" stroke-opacity=\"0.3\" stroke-dasharray=\"4 3\""
            << " clip-path=\"url(#plot)\"/>\n";
    } else {
        svg << "\" stroke-width=\"1.2\" stroke-opacity=\"0.8\"/>\n";
    }
    return static_cast<int>(points.size()) - drawn;
}

// A disk smaller than this on the picture is drawn with this radius, dashed.
constexpr double kMinDiskPixels = 8;
// A disk larger than this (centred inside the plot) covers the whole plot anyway.
constexpr double kMaxDiskPixels = 4 * kPlotWidth;

// Returns whether the disk had to be drawn larger than it is.
bool drawDisk(std::ostringstream& svg, const View& view, const RootDisk& disk, int index) {
    const double pixels = disk.radius * view.scale;
    const bool enlarged = pixels < kMinDiskPixels;
    const char* colour = kColours[index % 10];
    svg << "<circle class=\"disk\" data-root=\"" << index << "\" data-radius=\"" << disk.radiusText
        << "\" data-enlarged=\"" << (enlarged ? 1 : 0) << "\" cx=\"" << view.x(disk.centreRe)
        << "\" cy=\"" << view.y(disk.centreIm) << "\" r=\""
        << std::clamp(pixels, kMinDiskPixels, kMaxDiskPixels) << "\" fill=\"" << colour
        << "\" fill-opacity=\"0.1\" stroke=\"" << colour << "\" stroke-width=\"1.2\""
        << (enlarged ? " stroke-dasharray=\"3 2\"" : "") << " clip-path=\"url(#plot)\"/>\n";
    return enlarged;
}

// A refined root: a small cross in its root's colour; a multiple root once,
// with its multiplicity beside it.
void drawRefined(std::ostringstream& svg, const View& view, const RootDisk& disk, int index) {
    if (disk.multiplicity > 1 && disk.group != index) {
        return;  // drawn with the first of its members
    }
    const double x = view.x(disk.centreRe);
    const double y = view.y(disk.centreIm);
    constexpr double kArm = 5;
    svg << "<path class=\"refined\" data-root=\"" << index << "\" d=\"M " << x - kArm << ' '
        << y - kArm << " L " << x + kArm << ' ' << y + kArm << " M " << x - kArm << ' ' << y + kArm
        << " L " << x + kArm << ' ' << y - kArm << "\" stroke=\"" << kColours[index % 10]
        << "\" stroke-width=\"2\" clip-path=\"url(#plot)\"/>\n";
    if (disk.multiplicity > 1) {
        svg << "<text class=\"multiplicity\" data-root=\"" << index << "\" x=\"" << x + 7
            << "\" y=\"" << y + 14 << "\" font-family=\"sans-serif\" font-size=\"11\" fill=\""
            << kColours[index % 10] << "\">"
            << utf8Text(texts::kPictureMultiplicity, disk.multiplicity) << "</text>\n";
    }
}

void drawRoot(std::ostringstream& svg, const View& view, Complex root, int index) {
    if (!isFinite(root)) {
        return;
    }
    const char* colour = kColours[index % 10];
    svg << "<circle class=\"root\" data-root=\"" << index << "\" cx=\"" << view.x(root.re)
        << "\" cy=\"" << view.y(root.im) << "\" r=\"4.5\" fill=\"" << colour
        << "\" stroke=\"#000\"/>"
        << "<text x=\"" << view.x(root.re) + 7 << "\" y=\"" << view.y(root.im) - 7
        << "\" font-family=\"sans-serif\" font-size=\"13\" font-weight=\"bold\" fill=\"" << colour
        << "\">x" << index << "</text>\n";
}

// What the drawing left for the legend to say.
struct Drawn {
    std::array<int, kMaxCoefficients> leftOut{};    // per search, the points not finite
    std::array<bool, kMaxCoefficients> enlarged{};  // per root, a disk drawn larger
    bool anyAbandoned = false;
};

// A note of two lines below the legend's entries; returns where the next begins.
double drawNote(std::ostringstream& svg, double line, Text note) {
    const std::string text = utf8Text(note);
    const std::size_t end = text.find('\n');
    svg << "<text x=\"" << kLegendLeft << "\" y=\"" << line + 6 << "\" font-size=\"11\">"
        << text.substr(0, end) << "</text>\n"
        << "<text x=\"" << kLegendLeft << "\" y=\"" << line + 20 << "\" font-size=\"11\">"
        << (end == std::string::npos ? "" : text.substr(end + 1)) << "</text>\n";
    return line + 34;
}

// The line of root k's disk in the legend.
std::string diskLegend(const RootDisk& disk, bool enlarged) {
    if (disk.kind == DiskKind::None) {
        return utf8Text(texts::kPictureNoDisk);
    }
    const Text text = disk.byRootBound ? (enlarged ? Text(texts::kPictureDiskRootBoundEnlarged)
                                                   : Text(texts::kPictureDiskRootBound))
                                       : (enlarged ? Text(texts::kPictureDiskEnlarged)
                                                   : Text(texts::kPictureDisk));
    return utf8Text(text, disk.radiusText);
}

// Per search its colour, passes and the searches abandoned, its root's disk
// and the points left out; then a note for each kind of mark that needs one.
void drawLegend(std::ostringstream& svg, const IteratePicture& picture, const Drawn& drawn) {
    svg << "<g class=\"legend\" font-family=\"sans-serif\" font-size=\"13\">\n"
        << "<text x=\"" << kLegendLeft << "\" y=\"" << kPlotTop + 10 << "\" font-weight=\"bold\">"
        << utf8Text(texts::kPictureLegend) << "</text>\n";
    double line = kPlotTop + 32;
    for (int k = 1; k <= picture.searchCount; ++k) {
        svg << "<rect x=\"" << kLegendLeft << "\" y=\"" << line - 10
            << "\" width=\"14\" height=\"4\" fill=\"" << kColours[k % 10] << "\"/>"
            << "<text x=\"" << kLegendLeft + 20 << "\" y=\"" << line << "\">";
        const SearchPath& search = picture.searches[k];
        if (search.abandoned.empty()) {
            svg << utf8Text(texts::kPictureSearch, k, search.iterations);
        } else {
            svg << utf8Text(texts::kPictureSearchAbandoned, k, search.iterations,
                            search.abandoned.size());
        }
        svg << "</text>\n";
        line += 18;
        if (k <= picture.rootCount) {
            const RootDisk& disk = picture.disks[k];
            svg << "<text x=\"" << kLegendLeft + 20 << "\" y=\"" << line - 3
                << "\" font-size=\"11\">" << diskLegend(disk, drawn.enlarged[k]) << "</text>\n";
            line += 16;
        }
        if (drawn.leftOut[k] > 0) {
            svg << "<text x=\"" << kLegendLeft + 20 << "\" y=\"" << line << "\" fill=\"#a00\">"
                << utf8Text(texts::kPictureLeftOut, drawn.leftOut[k]) << "</text>\n";
            line += 18;
        }
    }
    if (picture.refinedCount > 0) {
        line = drawNote(svg, line, texts::kPictureRefinedNote);
    }
    if (drawn.anyAbandoned) {
        line = drawNote(svg, line, texts::kPictureAbandonedNote);
    }
    if (std::find(drawn.enlarged.begin(), drawn.enlarged.end(), true) != drawn.enlarged.end()) {
        drawNote(svg, line, texts::kPictureSmallDiskNote);
    }
    svg << "</g>\n";
}

}  // namespace

std::string renderSvg(const IteratePicture& picture) {
    const View view = fitView(picture);
    std::ostringstream svg;
    svg.precision(7);
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kWidth << "\" height=\""
        << kHeight << "\" viewBox=\"0 0 " << kWidth << ' ' << kHeight << "\">\n"
        << "<title>" << utf8Text(texts::kPictureTitle) << "</title>\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
    drawAxes(svg, view);
    svg << "<clipPath id=\"plot\"><rect x=\"" << kPlotLeft << "\" y=\"" << kPlotTop << "\" width=\""
        << kPlotWidth << "\" height=\"" << kPlotHeight << "\"/></clipPath>\n";
    Drawn drawn;
    for (int k = 1; k <= picture.searchCount; ++k) {
        for (const std::vector<Complex>& points : picture.searches[k].abandoned) {
            drawPath(svg, view, points, k, true);
            drawn.anyAbandoned = true;
        }
        drawn.leftOut[k] = drawPath(svg, view, picture.searches[k].points, k, false);
    }
    for (int k = 1; k <= picture.rootCount; ++k) {
        if (picture.disks[k].kind != DiskKind::None) {
            drawn.enlarged[k] = drawDisk(svg, view, picture.disks[k], k);
        }
    }
    for (int k = 1; k <= picture.rootCount; ++k) {
        drawRoot(svg, view, picture.roots[k], k);
    }
    for (int k = 1; k <= picture.refinedCount; ++k) {
        drawRefined(svg, view, picture.refined[k], k);
    }
    drawLegend(svg, picture, drawn);
    svg << "</svg>\n";
    return svg.str();
}

}  // namespace secant
