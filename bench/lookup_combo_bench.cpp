// Drop-down combos over the demo data's reference books, as a card form fills them when it
// opens: one combo's whole list from its reference file (ReloadQueue), and the card form's 21
// combos one after another. Against each: the raw view reads the fill does.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/demo/demo_data.h"
#include "app/demo/demo_reference.h"
#include "app/dictionary/dictionary.h"
#include "framework/lookup/lookup_combo.h"
#include "framework/window/window_builder.h"
#include "framework/window/window_controller.h"
#include "runtime/datetime/environment.h"
#include "storage/wendlock_driver.h"
#include "ui/headless_engine.h"

namespace {

using namespace veltrano;

constexpr ui::ControlId kFirstCombo = 10;

// The demo data made once per run in a temporary directory, its dictionary opened, and a form
// whose 21 combos each list one of the reference books.
struct DemoForm {
  std::filesystem::path directory;
  ui::HeadlessEngine engine;
  std::unique_ptr<ui::ScopedWindowEngine> installed;
  framework::ErrorManager errors;
  std::unique_ptr<app::Dictionary> dictionary;
  runtime::RecordLayout variables_layout;
  std::vector<std::uint8_t> variables;
  framework::WindowController form;
  std::vector<std::unique_ptr<runtime::Queue>> queues;
  std::vector<std::unique_ptr<framework::LookupCombo>> combos;
  std::vector<std::string> labels;

  DemoForm() {
    runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
    installed = std::make_unique<ui::ScopedWindowEngine>(engine);
    directory =
        std::filesystem::temp_directory_path() / ("veltrano_lookup_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    app::DemoOptions demo;
    demo.directory = directory.string();
    demo.employees = 200;
    if (std::string failed = app::generateDemoData(demo); !failed.empty()) std::abort();
    errors.Init();
    dictionary = std::make_unique<app::Dictionary>(storage::wendlockDriver(), directory.string());
    dictionary->Init(errors);

    runtime::RecordLayoutBuilder fields;
    for (const app::demo::LookupList& list : app::demo::lookupLists()) {
      labels.emplace_back(list.file);
      fields.string("VAR:" + labels.back(), 60);
    }
    variables_layout = fields.build();
    variables.assign(variables_layout.size(), ' ');
    framework::WindowBuilder builder("veltrano$BENCH", "Bench", "Card");
    builder.kind(ui::WindowKind::kDialog);
    const framework::BoundRecord record{&variables_layout, variables, nullptr};
    for (std::size_t index = 0; index < labels.size(); ++index) {
      builder.combo(kFirstCombo + static_cast<ui::ControlId>(index), "", record, "VAR:" + labels[index],
                    "160L(2)@s60@", "@s60");
    }
    form.Describe(*builder.build());
    form.PRIMARY = &dictionary->guard("KARTA");
    form.ERRORS = &errors;
    if (form.Init() != framework::kLevelBenign) std::abort();
    for (std::size_t index = 0; index < labels.size(); ++index) {
      storage::DeclaredFile& file = dictionary->file(labels[index]);
      runtime::RecordLayoutBuilder row;
      row.string("ROW:TEXT", 60);
      queues.push_back(std::make_unique<runtime::Queue>(row.build()));
      auto combo = std::make_unique<framework::LookupCombo>();
      const ui::ControlId control = kFirstCombo + static_cast<ui::ControlId>(index);
      combo->Init(control, *form.bindingOf(control), framework::ViewDefinition{{}, {&file.file()}},
                  queues.back().get(), &dictionary->guard(labels[index]), &form);
      combo->RegisterSortOrder(file.file().keys.front());
      combo->AddField(framework::fieldOf(file.layout(), file.record(), 0),
                      framework::fieldOf(queues.back()->layout(), queues.back()->buffer(), 0));
      combos.push_back(std::move(combo));
    }
  }
  ~DemoForm() {
    for (auto& combo : combos) combo->Kill();
    form.Kill();
    dictionary->Kill();
    errors.Kill();
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
  }

  // The combo over the largest reference book.
  framework::LookupCombo& largest() {
    std::size_t best = 0;
    for (std::size_t index = 0; index < combos.size(); ++index) {
      if (combos[index]->rows() > combos[best]->rows()) best = index;
    }
    return *combos[best];
  }
};

DemoForm& demoForm() {
  static DemoForm form;
  return form;
}

void BM_ComboReloadQueue(benchmark::State& state) {
  DemoForm& demo = demoForm();
  for (auto& combo : demo.combos) combo->ReloadQueue();
  framework::LookupCombo& combo = demo.largest();
  for (auto _ : state) benchmark::DoNotOptimize(combo.ReloadQueue());
  state.counters["rows"] = combo.rows();
}
BENCHMARK(BM_ComboReloadQueue)->Unit(benchmark::kMicrosecond);

// The same reference book read through its view alone: what the fill costs beyond its reads.
void BM_ComboRawViewReads(benchmark::State& state) {
  DemoForm& demo = demoForm();
  framework::LookupCombo& combo = demo.largest();
  for (auto _ : state) {
    combo.Reset();
    int rows = 0;
    while (combo.Next() == framework::kLevelBenign) ++rows;
    benchmark::DoNotOptimize(rows);
  }
}
BENCHMARK(BM_ComboRawViewReads)->Unit(benchmark::kMicrosecond);

void BM_CardFormTwentyOneCombos(benchmark::State& state) {
  DemoForm& demo = demoForm();
  int rows = 0;
  for (auto _ : state) {
    rows = 0;
    for (auto& combo : demo.combos) {
      combo->ReloadQueue();
      rows += combo->rows();
    }
  }
  state.counters["combos"] = static_cast<double>(demo.combos.size());
  state.counters["rows"] = rows;
}
BENCHMARK(BM_CardFormTwentyOneCombos)->Unit(benchmark::kMicrosecond);

}  // namespace
