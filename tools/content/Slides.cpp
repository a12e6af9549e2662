// The slides: four introduction slides (title, story, controls, goal) and the
// end slide, each a textured quad; and the fallback texture.
//
// The show draws a slide 3 units wide, 4 units in front of the camera, so a
// 4:3 quad fills about two thirds of the window and the rest stays black.
// The page is drawn into the top 512 × 384 texels of a 512 × 512 image (a
// size GL takes as it is) and the quad's texture coordinates cover only
// that part. The slide material's colour comes from its ambient term alone
// (GL's global ambient of 0.2 times 5), so a slide looks the same whatever
// light the game scene left behind.

#include "content/Canvas.h"
#include "content/Content.h"
#include "content/Mesh.h"

#include <string>
#include <vector>

namespace kelvo::content {

namespace {

constexpr int kPageWidth = 512;
constexpr int kPageHeight = 384;
constexpr int kTextureSize = 512;

const Rgb kNight{16, 22, 52};
const Rgb kNightLow{40, 30, 70};
const Rgb kInk{246, 236, 208};
const Rgb kGold{240, 196, 90};
const Rgb kDim{170, 168, 190};

// The page's ground, frame and title; the texture's unused bottom rows
// repeat the frame colour so that filtering at the page's edge stays clean.
Canvas page(const std::string& title) {
  Canvas c(kTextureSize, kTextureSize, kGold);
  c.gradient(0, 0, kPageWidth, kPageHeight, kNight, kNightLow);
  c.frame(8, 8, kPageWidth - 8, kPageHeight - 8, 3, kGold);
  c.frame(14, 14, kPageWidth - 14, kPageHeight - 14, 1, shade(kGold, 0.7f));
  c.rect(0, kPageHeight, kTextureSize, kTextureSize, kGold);
  if (!title.empty()) c.textCentred(kPageWidth / 2, 30, title, 4, kGold);
  return c;
}

void lines(Canvas& c, int y, const std::vector<std::string>& text, Rgb colour = kInk) {
  for (const std::string& line : text) {
    c.text(40, y, line, 2, colour);
    y += 20;
  }
}

void footer(Canvas& c, const std::string& text) { c.textCentred(kPageWidth / 2, kPageHeight - 40, text, 2, kDim); }

// A crescent moon and a few stars over a hospital with lit windows.
void nightScene(Canvas& c, int top) {
  Random random(23);
  for (int i = 0; i < 40; ++i)
    c.disc(40 + random.unit() * 432, static_cast<float>(top) + random.unit() * 70, 0.8f, {255, 250, 220},
           0.5f + 0.5f * random.unit());
  c.disc(420, static_cast<float>(top) + 28, 20, {250, 242, 210});
  c.disc(410, static_cast<float>(top) + 22, 18, kNight);
  const int ground = top + 160;
  c.rect(120, top + 60, 392, ground, {70, 70, 100});
  c.triangle(110, top + 62, 402, top + 62, 256, top + 30, {60, 60, 90});
  // A red cross over the door.
  c.rect(250, top + 70, 262, top + 100, {210, 40, 40});
  c.rect(241, top + 79, 271, top + 91, {210, 40, 40});
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < 8; ++col) {
      const int x = 136 + col * 32 + (col >= 4 ? 16 : 0), y = top + 78 + row * 36;
      if (col == 3 || col == 4) continue;
      const bool lit = (col * 3 + row * 5) % 4 != 0;
      c.rect(x, y, x + 18, y + 22, lit ? Rgb{250, 214, 110} : Rgb{40, 40, 70});
    }
  c.rect(240, top + 116, 272, ground, {250, 214, 110});
  c.rect(20, ground, kPageWidth - 20, ground + 3, {90, 90, 120});
}

// A key cap with an arrow pointing up, left, right or down.
void arrowKey(Canvas& c, int x, int y, char direction) {
  c.rect(x, y, x + 30, y + 26, {200, 200, 214});
  c.rect(x + 2, y + 2, x + 28, y + 22, {236, 236, 244});
  const float cx = static_cast<float>(x) + 15, cy = static_cast<float>(y) + 12;
  const Rgb ink{30, 30, 60};
  switch (direction) {
    case 'U': c.triangle(cx - 7, cy + 5, cx + 7, cy + 5, cx, cy - 7, ink); break;
    case 'D': c.triangle(cx - 7, cy - 5, cx + 7, cy - 5, cx, cy + 7, ink); break;
    case 'L': c.triangle(cx + 5, cy - 7, cx + 5, cy + 7, cx - 7, cy, ink); break;
    default: c.triangle(cx - 5, cy - 7, cx - 5, cy + 7, cx + 7, cy, ink); break;
  }
}

void wordKey(Canvas& c, int x, int y, const std::string& word) {
  const int w = Canvas::textWidth(word, 2) + 14;
  c.rect(x, y, x + w, y + 26, {200, 200, 214});
  c.rect(x + 2, y + 2, x + w - 2, y + 22, {236, 236, 244});
  c.text(x + 7, y + 5, word, 2, {30, 30, 60});
}

Canvas titleSlide() {
  Canvas c = page("THE NIGHT WARD");
  nightScene(c, 76);
  c.textCentred(kPageWidth / 2, 262, "Grandma Rosa has come for Tito.", 2, kInk);
  c.textCentred(kPageWidth / 2, 290, "A game in five minutes.", 2, kInk);
  footer(c, "Click the mouse to begin");
  return c;
}

Canvas storySlide() {
  Canvas c = page("THE STORY");
  lines(c, 84,
        {"Tito is five. He has spent a week in", "the children's ward, and tonight the",
         "doctor said he is well enough to go", "home. But it is late, and the night",
         "nurses say that nobody leaves the", "ward before morning.", "",
         "Grandma Rosa has other ideas. Sharp", "of mind and slow of foot, she has",
         "come to take her grandson home."});
  footer(c, "Click to continue");
  return c;
}

Canvas controlsSlide() {
  Canvas c = page("HOW TO PLAY");
  struct Row {
    std::vector<char> arrows;
    std::string word;
    std::string meaning;
  };
  const Row rows[] = {
      {{'U'}, "", "one step forward"},
      {{'L', 'R'}, "", "turn left or right"},
      {{'D'}, "", "turn around"},
      {{}, "Drag", "turn the room (hold"},
      {{}, "", "the left button)"},
      {{}, "F2", "console, in the game only"},
      {{}, "Esc", "quit"},
  };
  int y = 84;
  for (const Row& row : rows) {
    int x = 40;
    for (char a : row.arrows) {
      arrowKey(c, x, y, a);
      x += 36;
    }
    if (!row.word.empty()) wordKey(c, x, y, row.word);
    c.text(170, y + 5, row.meaning, 2, kInk);
    y += 34;
  }
  footer(c, "Click to continue");
  return c;
}

Canvas goalSlide() {
  Canvas c = page("YOUR GOAL");
  lines(c, 80,
        {"Walk Rosa to Tito: the yellow arrow", "bobs above him. Once she is close,",
         "he follows her. Lead him to the", "green HOME mat by the front door.", "",
         "Nurses roam the wards. While Tito", "follows Rosa, a nurse close by gives",
         "chase, and if she reaches Rosa the", "game is lost.", "",
         "You have five minutes, counted from", "the first slide."});
  c.textCentred(kPageWidth / 2, kPageHeight - 44, "Click to start!", 2, kGold);
  return c;
}

Canvas endSlide() {
  Canvas c = page("THE END");
  lines(c, 84,
        {"If Tito reached the HOME mat, he is", "asleep in his own bed by now, with",
         "his teddy under his arm. Well done!", "", "If a nurse caught Rosa, or the five",
         "minutes ran out, Tito stays in the", "ward until morning, and Rosa will",
         "try again tomorrow night."});
  // Home: a small house with one lit window under the moon.
  const int ground = 334;
  c.rect(40, ground, kPageWidth - 40, ground + 2, {90, 90, 120});
  c.rect(220, ground - 40, 292, ground, {92, 70, 96});
  c.triangle(210, ground - 38, 302, ground - 38, 256, ground - 68, {120, 60, 60});
  c.rect(232, ground - 30, 252, ground - 12, {250, 214, 110});
  c.rect(241, ground - 30, 243, ground - 12, {92, 70, 96});
  c.rect(264, ground - 28, 280, ground, {60, 44, 60});
  c.disc(350, static_cast<float>(ground) - 62, 11, {250, 242, 210});
  c.disc(344, static_cast<float>(ground) - 65, 10, kNight);
  footer(c, "Press Escape to quit");
  return c;
}

Canvas fallbackTexture() {
  // Magenta and grey squares: a texture that failed to load is easy to spot.
  Canvas c(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) c.set(x, y, ((x / 8) + (y / 8)) % 2 ? Rgb{220, 40, 200} : Rgb{90, 90, 90});
  return c;
}

void writeSlide(Output& out, const std::string& name, const Canvas& image, const std::string& what) {
  Mesh mesh;
  Material m{name + "_page"};
  m.ambient = {5, 5, 5};
  m.diffuse = {0, 0, 0};
  m.specular = {0, 0, 0};
  m.texture = "../Textures/" + name + ".png";
  mesh.declare(m);
  const float top = 1.0f, bottom = 1.0f - static_cast<float>(kPageHeight) / kTextureSize;
  mesh.panel(m.name, -0.5f, -0.375f, 0.5f, 0.375f, 0, 0, bottom, 1, top);
  out.text("Data/Models/" + name + ".obj", mesh.obj(name + ".mtl", "# " + what + " Generated by kelvo-content.\n"));
  out.text("Data/Models/" + name + ".mtl", mesh.mtl("# Material of " + name + ".obj (kelvo-content).\n"));
  const std::string texture = "Data/Textures/" + name + ".png";
  if (!image.savePng(out.path(texture))) out.fail(texture);
}

}  // namespace

void writeSlides(Output& out) {
  writeSlide(out, "slide1", titleSlide(), "Slide 1: the title.");
  writeSlide(out, "slide2", storySlide(), "Slide 2: the story.");
  writeSlide(out, "slide3", controlsSlide(), "Slide 3: the controls.");
  writeSlide(out, "slide4", goalSlide(), "Slide 4: the goal and the time limit.");
  writeSlide(out, "slide", endSlide(), "The end slide, shown whether the child got home or not.");
  if (!fallbackTexture().saveJpeg(out.path("Data/Textures/nonTexture.jpg"))) out.fail("Data/Textures/nonTexture.jpg");
}

}  // namespace kelvo::content
