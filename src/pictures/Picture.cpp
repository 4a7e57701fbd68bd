#include "pictures/Picture.h"

#include <new>
#include <stdexcept>

#include "pictures/Gif.h"
#include "pictures/Header.h"
#include "pictures/Quantize.h"

namespace pictures {

namespace {

std::string tooLarge(const std::string& name, Size size) {
  const std::int64_t megapixels = (size.pixels() + 500'000) / 1'000'000;
  return "Рисунок «" + name + "» слишком большой: " + std::to_string(size.width) + "×" +
         std::to_string(size.height) + " точек (" + std::to_string(megapixels) +
         " мегапикселей), а редактор берёт рисунки до " + std::to_string(kMaxPixels / 1'000'000) +
         " мегапикселей. Уменьшите его в другой программе (например, в Paint) и добавьте снова.";
}

std::string damaged(const std::string& name) {
  return "Рисунок «" + name +
         "» не удалось прочитать: файл повреждён или записан не до конца. Откройте его в "
         "программе для рисунков, сохраните заново и добавьте снова.";
}

std::string noMemory(const std::string& name) {
  return "Для рисунка «" + name +
         "» не хватило памяти. Уменьшите его в другой программе и добавьте снова.";
}

}  // namespace

std::string makeGif(const Image& image, const Fit& fit) {
  return gifBytes(quantized(fitted(image, fit)));
}

Made makePicture(const Image& image, const std::string& name, const Fit& fit) {
  if (!image.whole()) return {std::nullopt, damaged(name)};
  if (Size{image.width, image.height}.pixels() > kMaxPixels) {
    return {std::nullopt, tooLarge(name, {image.width, image.height})};
  }
  try {
    return {makeGif(image, fit), {}};
  } catch (const std::bad_alloc&) {
    return {std::nullopt, noMemory(name)};
  } catch (const std::runtime_error& e) {
    return {std::nullopt,
            "Рисунок «" + name + "» не удалось записать в формате GIF (" + e.what() + ")."};
  }
}

Made makePicture(Decoder* decoder, std::string_view bytes, const std::string& name,
                 const Fit& fit) {
  if (bytes.empty()) return {std::nullopt, "Файл «" + name + "» пуст: в нём нет рисунка."};
  if (decoder == nullptr) {
    return {std::nullopt,
            "Рисунок «" + name +
                "» не прочитан: эта сборка редактора не умеет читать рисунки из файлов."};
  }
  const Header header = readHeader(bytes);
  std::optional<Size> size = header.size;
  if (!size) size = decoder->size(bytes);
  if (!size) {
    if (header.format != Format::Unknown) return {std::nullopt, damaged(name)};
    return {std::nullopt,
            "Файл «" + name +
                "» — не рисунок, или рисунок такого вида, который редактор не умеет "
                "читать. Подойдут рисунки PNG, JPEG, GIF и BMP: снимок экрана, фотография, скан."};
  }
  if (size->pixels() > kMaxPixels) return {std::nullopt, tooLarge(name, *size)};
  std::optional<Image> image;
  try {
    image = decoder->decode(bytes);
  } catch (const std::bad_alloc&) {
    return {std::nullopt, noMemory(name)};
  }
  if (!image || !image->whole()) return {std::nullopt, damaged(name)};
  // A decoder that gives more than the header said is not believed further.
  if (Size{image->width, image->height}.pixels() > size->pixels())
    return {std::nullopt, damaged(name)};
  return makePicture(*image, name, fit);
}

}  // namespace pictures
