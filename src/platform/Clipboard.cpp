#include "platform/Clipboard.h"

#include <SDL.h>

namespace qor::platform {

std::string getClipboardText() {
  if (!SDL_WasInit(SDL_INIT_VIDEO) || !SDL_HasClipboardText()) return {};
  char* text = SDL_GetClipboardText();
  if (!text) return {};
  std::string result(text);
  SDL_free(text);
  return result;
}

bool setClipboardText(const std::string& text) {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
  return SDL_SetClipboardText(text.c_str()) == 0;
}

}  // namespace qor::platform
