#include "core/patch/patch.hpp"

#include "core/patch/bps.hpp"
#include "core/patch/ips.hpp"
#include "core/patch/ups.hpp"

namespace textdump {

std::string_view format_name(PatchFormat format) {
  switch (format) {
  case PatchFormat::bps: return "BPS";
  case PatchFormat::ips: return "IPS";
  case PatchFormat::ups: return "UPS";
  }
  return "";
}

PatchResult make_patch(PatchFormat format, std::string_view original, std::string_view modified,
                       std::string_view metadata) {
  switch (format) {
  case PatchFormat::bps: return patching::make_bps(original, modified, metadata);
  case PatchFormat::ips: return patching::make_ips(original, modified);
  case PatchFormat::ups: return patching::make_ups(original, modified);
  }
  return std::string();
}

PatchResult apply_patch(PatchFormat format, std::string_view patch, std::string_view rom) {
  switch (format) {
  case PatchFormat::bps: return patching::apply_bps(patch, rom);
  case PatchFormat::ips: return patching::apply_ips(patch, rom);
  case PatchFormat::ups: return patching::apply_ups(patch, rom);
  }
  return std::string();
}

} // namespace textdump
