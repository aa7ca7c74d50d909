// MakePitchLabel, which goes through the decimal text of n / 12 + 1, beside the closed form
// n / 12 + 1, n mod 12 on the same note numbers.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <variant>
#include <vector>

#include "conversion/pitch_label.h"

namespace {

// Every MIDI note 0 to 7F and a spread of larger note numbers up to the highest.
std::vector<std::string> NoteNumberTexts() {
  std::vector<std::string> texts;
  char hex[16];
  for (unsigned n = 0; n <= 0x7F; ++n) {
    std::snprintf(hex, sizeof hex, "%X", n);
    texts.emplace_back(hex);
  }
  for (unsigned n = 0x80; n <= sonabrix::kHighestNoteNumber; n += 3067) {
    std::snprintf(hex, sizeof hex, "%X", n);
    texts.emplace_back(hex);
  }
  return texts;
}

void BM_MakePitchLabel(benchmark::State& state) {
  const std::vector<std::string> texts = NoteNumberTexts();
  for (auto _ : state) {
    for (const std::string& text : texts) {
      sonabrix::Conversion conversion = sonabrix::MakePitchLabel(text);
      benchmark::DoNotOptimize(conversion);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(texts.size()));
}
BENCHMARK(BM_MakePitchLabel);

void BM_ClosedForm(benchmark::State& state) {
  const std::vector<std::string> texts = NoteNumberTexts();
  for (auto _ : state) {
    for (const std::string& text : texts) {
      unsigned long n = std::stoul(text, nullptr, 16);
      std::string label = std::to_string(n / 12 + 1) + std::string(sonabrix::NoteNames[n % 12]);
      benchmark::DoNotOptimize(label);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(texts.size()));
}
BENCHMARK(BM_ClosedForm);

}  // namespace

BENCHMARK_MAIN();
