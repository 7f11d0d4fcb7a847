// SPDX-License-Identifier: MIT
// Benchmarks on a generated 200 000-entry document, each beside a byte-scan
// baseline over the same bytes so that every figure reads as a ratio.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "cli/cli_host.h"
#include "core/search/find_match.h"
#include "core/file/document_file.h"
#include "core/document/ovrin_doc.h"
#include "core/text/text_form.h"
#include "bench_add_host.h"
#include "generate_document.h"
#include "core/layout/key_list_layout.h"
#include "core/layout/text_wrap.h"

namespace {

constexpr int kLarge = 200000;

struct Fixture {
    CCliHost host;
    COvrinDoc doc{host};
    std::string path;
    std::string fileBytes;
    std::string allText;  // key words and descriptions, as a plain dump would hold them
};

std::unique_ptr<Fixture> MakeFixture(int mixedPercent, const char* path)
{
    {
        auto p = std::make_unique<Fixture>();
        GenerateDocument(p->doc, kLarge, 42, mixedPercent);
        p->path = path;
        SaveDocumentFile(p->doc, p->path);
        std::ifstream in(p->path, std::ios::binary);
        p->fileBytes.assign(std::istreambuf_iterator<char>(in), {});
        for (int i = 0; i < kLarge; ++i) {
            (p->allText += p->doc.KeyWords()[i]) += "\n";
            (p->allText += p->doc.Descriptions()[i]) += "\n";
        }
        return p;
    }
}

Fixture& Large()
{
    static std::unique_ptr<Fixture> f = MakeFixture(0, "/tmp/ovrin_bench_200k.ovr");
    return *f;
}

// The same entries, half of them with words of other scripts (wide texts).
Fixture& Mixed()
{
    static std::unique_ptr<Fixture> f = MakeFixture(50, "/tmp/ovrin_bench_200k_mixed.ovr");
    return *f;
}

// A fixed-pitch font of 8 units a character, found fixed-pitch as the
// program finds its screen font.
TextMetrics FixedMetrics()
{
    TextMetrics m;
    m.width = [](std::string_view s) { return static_cast<int>(s.size()) * 8; };
    m.lineHeight = 16;
    m.avgCharWidth = 8;
    m.fixedPitch = DetectFixedPitch(m.width);
    return m;
}

void BM_ReadFileBytes(benchmark::State& state)
{
    Fixture& f = Large();
    for (auto _ : state) {
        std::FILE* file = std::fopen(f.path.c_str(), "rb");
        std::string bytes(f.fileBytes.size(), '\0');
        std::size_t n = std::fread(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_ReadFileBytes)->Unit(benchmark::kMillisecond);

void OpenDocument(benchmark::State& state, Fixture& f)
{
    for (auto _ : state) {
        CCliHost host;
        COvrinDoc doc(host);
        if (!OpenDocumentFile(doc, f.path).ok) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(doc.Count());
    }
}
void BM_OpenDocument(benchmark::State& state) { OpenDocument(state, Large()); }
void BM_OpenMixedDocument(benchmark::State& state) { OpenDocument(state, Mixed()); }
BENCHMARK(BM_OpenDocument)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenMixedDocument)->Unit(benchmark::kMillisecond);

// The baseline of a save: the file's bytes written once and synced to disk.
void BM_WriteFileBytes(benchmark::State& state)
{
    Fixture& f = Large();
    for (auto _ : state) {
        const int fd = ::open("/tmp/ovrin_bench_raw.bin", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const char* p = f.fileBytes.data();
        std::size_t left = f.fileBytes.size();
        while (left > 0) {
            const ssize_t n = ::write(fd, p, left);
            if (n <= 0) {
                state.SkipWithError("write failed");
                break;
            }
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        ::fsync(fd);
        ::close(fd);
    }
    ::unlink("/tmp/ovrin_bench_raw.bin");
}
BENCHMARK(BM_WriteFileBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

// File/Save: the stream made from the table, written beside the file, synced,
// renamed over it and the folder synced.
void BM_SaveDocument(benchmark::State& state)
{
    Fixture& f = Large();
    // Each run saves to a file of its own: the last run's, removed at its
    // end, would be a file that vanished under the document.
    f.doc.KnownFileOnDisk() = KnownFile{};
    for (auto _ : state) {
        if (const FileResult saved = SaveDocumentFile(f.doc, "/tmp/ovrin_bench_save.ovr"); !saved.ok) {
            state.SkipWithError(("save failed: " + saved.message).c_str());
            break;
        }
    }
    ::unlink("/tmp/ovrin_bench_save.ovr");
}
BENCHMARK(BM_SaveDocument)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MemchrOverText(benchmark::State& state)
{
    Fixture& f = Large();
    for (auto _ : state) {
        const void* hit = std::memchr(f.allText.data(), 0x01, f.allText.size());
        benchmark::DoNotOptimize(hit);
    }
}
BENCHMARK(BM_MemchrOverText)->Unit(benchmark::kMillisecond);

void FindNothing(benchmark::State& state, bool descriptions, Fixture& f = Large(),
                 const std::string& text = "xyzzy nowhere")
{
    const CFoldedNeedle needle(text);
    for (auto _ : state) {
        int hits = 0;
        for (int i = 0; i < kLarge; ++i)
            if (needle.IsIn(f.doc.KeyWords()[i]) ||
                (descriptions && needle.IsIn(f.doc.Descriptions()[i])))
                ++hits;
        benchmark::DoNotOptimize(hits);
    }
}
void BM_FindNothingKeyWords(benchmark::State& state) { FindNothing(state, false); }
void BM_FindNothingWithDescriptions(benchmark::State& state) { FindNothing(state, true); }
BENCHMARK(BM_FindNothingKeyWords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindNothingWithDescriptions)->Unit(benchmark::kMillisecond);
void BM_FindNothingMixedWithDescriptions(benchmark::State& state) { FindNothing(state, true, Mixed()); }
// A Greek needle, which no Windows-1252 text can hold.
void BM_FindGreekMixedWithDescriptions(benchmark::State& state)
{
    FindNothing(state, true, Mixed(), *TextFromUtf8("\xCE\xA3\xCE\x8A\xCE\xA3 nowhere"));
}
BENCHMARK(BM_FindNothingMixedWithDescriptions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindGreekMixedWithDescriptions)->Unit(benchmark::kMillisecond);

void BM_AddInto200k(benchmark::State& state)
{
    BenchAddHost host;
    COvrinDoc doc(host);
    GenerateDocument(doc, kLarge, 7);
    for (auto _ : state) doc.OnEntryAdd();
    state.counters["entries"] = doc.Count();
}
BENCHMARK(BM_AddInto200k)->Unit(benchmark::kMicrosecond)->Iterations(2000);

void BM_KeyListLayout200k(benchmark::State& state)
{
    Fixture& f = Large();
    const TextMetrics metrics = FixedMetrics();
    CKeyListLayout layout;
    int right = 600;
    for (auto _ : state) {
        right = right == 600 ? 601 : 600;  // a new width forces a whole layout
        layout.Update(f.doc, right, metrics, "fixed");
        benchmark::DoNotOptimize(layout.ContentHeight());
    }
}
BENCHMARK(BM_KeyListLayout200k)->Unit(benchmark::kMillisecond);

// The paint of a 600 x 800 visible part: find the first block, then wrap
// every block that shows.
void VisiblePaint(benchmark::State& state, int count)
{
    CCliHost host;
    COvrinDoc doc(host);
    GenerateDocument(doc, count, 42);
    const TextMetrics metrics = FixedMetrics();
    CKeyListLayout layout;
    layout.Update(doc, 600, metrics, "fixed");
    const int top = layout.ContentHeight() / 2 > 800 ? layout.ContentHeight() / 2 : 0;
    for (auto _ : state) {
        std::size_t lines = 0;
        for (int i = layout.BlockAt(top); i >= 0 && i < count && layout.TopOf(i) < top + 800; ++i)
            lines += WrapText(doc.KeyWords()[i], 600, metrics).size();
        benchmark::DoNotOptimize(lines);
    }
}
void BM_KeyListPaint100(benchmark::State& state) { VisiblePaint(state, 100); }
void BM_KeyListPaint200k(benchmark::State& state) { VisiblePaint(state, kLarge); }
BENCHMARK(BM_KeyListPaint100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeyListPaint200k)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
