// Fuzz target for the registry store's text form (registry.reg): any bytes either load or are
// refused with a message naming the line; what the store writes always loads again and gives the
// same text, so that no value changes when an unrelated write saves the store.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "FuzzCheck.h"
#include "platform/host/HostRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string saved;
  try {
    saved = orvane::host::RewriteRegistryText(text, "registry.reg");
  } catch (const std::runtime_error& e) {
    FUZZ_CHECK(std::string(e.what()).rfind("registry.reg:", 0) == 0, "the message names the file");
    return 0;
  }
  std::string again;
  try {
    again = orvane::host::RewriteRegistryText(saved, "registry.reg");
  } catch (const std::runtime_error& e) {
    std::fprintf(stderr, "%s\n", e.what());
    FUZZ_CHECK(false, "the store's own text loads");
  }
  FUZZ_CHECK(again == saved, "the store's own text is saved unchanged");
  return 0;
}
