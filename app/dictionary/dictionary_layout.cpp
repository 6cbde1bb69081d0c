#include "app/dictionary/dictionary_layout.h"

namespace veltrano::app {

runtime::RecordLayout recordLayout(const FileSpec& file) {
  runtime::RecordLayoutBuilder builder;
  for (const auto& field : file.fields) {
    switch (field.type) {
      case runtime::TypeCode::String: builder.string(field.name, field.length); break;
      case runtime::TypeCode::Decimal:
        builder.decimal(field.name, static_cast<std::uint8_t>(field.length), field.places);
        break;
      default: builder.scalar(field.name, field.type); break;
    }
    if (field.dim != 0) builder.dim({field.dim});
  }
  return builder.build();
}

}  // namespace veltrano::app
