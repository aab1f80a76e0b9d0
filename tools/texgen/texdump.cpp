// Builds the textures in start-up order and writes them as PNG files (usage
// below); each file is written whole under a temporary name, then renamed.
#include "texgen/ops.h"
#include "texgen/recipes.h"
#include "texgen/texgen.h"
#include "tools/texgen/png_write.h"
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Options {
    bool raw = false;
    bool hasOnly = false;
    int only = 0;
    int layers = -1;
    const char* sheet = nullptr;
    const char* outDir = nullptr;
};

const char usage[] =
    "usage: texdump [--raw] [--only ID] [--layers N] [--sheet FILE] OUTDIR\n"
    "Writes the textures as PNG files into OUTDIR (made if missing); each file\n"
    "appears only when complete.\n"
    "  --raw        also the RGBA bytes of each texture (.rgba)\n"
    "  --only ID    just texture ID\n"
    "  --layers N   every layer of recipe N before composition\n"
    "  --sheet FILE a contact sheet of the 17 pictures and a sample of glyphs\n"
    "Exit codes: 0 done; 1 a file could not be written (no space left, ...; the line\n"
    "says why); 2 a bad option, or a folder that cannot be made or written into,\n"
    "before anything is built.\n";

[[noreturn]] void fail(const std::string& message, int code = 2) {
    std::fprintf(stderr, "texdump: %s\n", message.c_str());
    std::exit(code);
}

// What this run made, taken back when a write fails.
std::vector<std::string> written;
std::vector<std::string> foldersMade;

[[noreturn]] void failWrite(const std::string& path) {
    const std::string cause = std::strerror(errno ? errno : EIO);
    for (const std::string& file : written)
        std::remove(file.c_str());
    for (auto folder = foldersMade.rbegin(); folder != foldersMade.rend(); ++folder)
        rmdir(folder->c_str());
    fail("cannot write " + path + ": " + cause, 1);
}

int parseInt(const char* text, const char* option) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < -1000 || v > 1000) fail(std::string("bad number for ") + option);
    return int(v);
}

Options parseArgs(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == "--help") {
            std::fputs(usage, stdout);
            std::exit(0);
        } else if (a == "--raw") {
            o.raw = true;
        } else if (a == "--only" || a == "--layers" || a == "--sheet") {
            if (!hasValue) fail(a + " needs a value");
            const char* v = argv[++i];
            if (a == "--sheet")
                o.sheet = v;
            else if (a == "--only")
                o.hasOnly = true, o.only = parseInt(v, "--only");
            else
                o.layers = parseInt(v, "--layers");
        } else if (a.size() > 1 && a[0] == '-') {
            fail("unknown option " + a + " (--help lists the options)");
        } else if (!o.outDir) {
            o.outDir = argv[i];
        } else {
            fail("more than one output folder given");
        }
    }
    if (!o.outDir && !o.sheet) fail("no output folder given (usage: texdump [options] OUTDIR)");
    if (o.hasOnly && !isStartupTexture(o.only))
        fail("texture id " + std::to_string(o.only) + " is not built at start-up");
    if (o.layers != -1 && (o.layers < 0 || o.layers >= RECIPE_COUNT))
        fail("--layers takes a recipe number 0..16");
    if ((o.hasOnly || o.layers >= 0 || o.raw) && !o.outDir) fail("no output folder given");
    return o;
}

std::string textureName(int id) {
    char name[32];
    if (id < 0)
        std::snprintf(name, sizeof name, "glyph_%03d", -id);
    else
        std::snprintf(name, sizeof name, "texture_%02d", id);
    return name;
}

void writeFile(const std::string& path, const uint32_t* pixels, int w, int h) {
    if (!writePng(path.c_str(), pixels, w, h)) failWrite(path);
    written.push_back(path);
}

void writeRaw(const std::string& path, const uint32_t* pixels) {
    auto write = [pixels](FILE* f) {
        return std::fwrite(pixels, 4, PIXEL_COUNT, f) == size_t(PIXEL_COUNT);
    };
    if (!writeFileAtomically(path.c_str(), write)) failWrite(path);
    written.push_back(path);
}

// A folder that takes files, made if missing; checked before anything is
// built, and a failure says why.
void makeFolder(const std::string& dir) {
    std::error_code error;
    std::filesystem::path missing = dir;
    while (!missing.empty() && !std::filesystem::exists(missing, error)) {
        foldersMade.insert(foldersMade.begin(), missing.string());
        missing = missing.parent_path();
    }
    std::filesystem::create_directories(dir, error);
    if (error) fail("cannot make the folder " + dir + ": " + error.message());
    const std::string probe = dir + "/.texdump-probe";
    FILE* file = std::fopen(probe.c_str(), "wb");
    if (!file) fail("cannot write into " + dir + ": " + std::strerror(errno));
    std::fclose(file);
    std::remove(probe.c_str());
}

void writeLayers(const std::string& dir, int recipe) {
    for (int i = 0; i < LAYER_COUNT; ++i) {
        const uint32_t* p = layerPixels(i);
        bool used = false;
        for (int k = 0; k < PIXEL_COUNT && !used; ++k)
            used = p[k] != 0;
        if (!used && !layerStack.visible[i]) continue;
        char name[64];
        std::snprintf(name, sizeof name, "/recipe%02d_layer%02d_%s.png", recipe, i,
                      layerStack.visible[i] ? "visible" : "hidden");
        writeFile(dir + name, p, TEX_SIZE, TEX_SIZE);
    }
}

// Contact sheet: 256-pixel tiles (4 x 4 box average over a checkerboard).
constexpr int TILE = 256, COLUMNS = 8, ROWS = 4;
const char GLYPH_SAMPLE[] = "AMWgjy059!.,'-@";

void putTile(std::vector<uint32_t>& sheet, int slot, const uint32_t* image) {
    int ox = (slot % COLUMNS) * TILE, oy = (slot / COLUMNS) * TILE;
    for (int ty = 0; ty < TILE; ++ty) {
        for (int tx = 0; tx < TILE; ++tx) {
            uint32_t sum[3] = {0, 0, 0};
            for (int k = 0; k < 16; ++k) {
                int x = tx * 4 + k % 4, y = ty * 4 + k / 4;
                uint32_t checker = ((x / 32 + y / 32) % 2) ? 0xFF909090u : 0xFF606060u;
                uint32_t p = overPixel(checker, image[y * TEX_SIZE + x]);
                for (int c = 0; c < 3; ++c)
                    sum[c] += channelOf(p, c);
            }
            sheet[size_t(oy + ty) * (COLUMNS * TILE) + size_t(ox + tx)] =
                0xFF000000u | (sum[2] / 16) << 16 | (sum[1] / 16) << 8 | sum[0] / 16;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    Options o = parseArgs(argc, argv);
    std::string dir = o.outDir ? o.outDir : "";
    if (!dir.empty()) makeFolder(dir);
    if (o.sheet) {
        const std::filesystem::path parent = std::filesystem::path(o.sheet).parent_path();
        makeFolder(parent.empty() ? "." : parent.string());
    }
    std::vector<uint32_t> sheet;
    if (o.sheet) sheet.assign(size_t(COLUMNS * TILE) * (ROWS * TILE), 0xFF000000u);
    int last = o.hasOnly ? o.only : (o.layers >= 0 ? o.layers : RECIPE_COUNT - 1);
    for (int id = FIRST_STARTUP_ID; id <= last; ++id) {
        if (!isStartupTexture(id)) continue;
        const uint32_t* image = buildTexture(id);
        bool wanted = o.outDir && (o.hasOnly ? id == o.only : o.layers < 0);
        if (wanted) {
            writeFile(dir + "/" + textureName(id) + ".png", image, TEX_SIZE, TEX_SIZE);
            if (o.raw) writeRaw(dir + "/" + textureName(id) + ".rgba", image);
        }
        if (o.layers == id) writeLayers(dir, id);
        if (!o.sheet) continue;
        if (id >= 0) putTile(sheet, id, image);
        const char* g = id < 0 ? std::strchr(GLYPH_SAMPLE, -id) : nullptr;
        if (g) putTile(sheet, RECIPE_COUNT + int(g - GLYPH_SAMPLE), image);
    }
    if (o.sheet) writeFile(o.sheet, sheet.data(), COLUMNS * TILE, ROWS * TILE);
    return 0;
}
