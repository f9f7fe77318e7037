// The table-driven runner behind --op "Name arg ...": every GbImage
// operation the command line can reach is one line in a table.
//
// Wiring an operation: add one line to the GB_CLI_OPS table of its area
// (tools/Ops<Area>.cpp), e.g.
//
//     GB_OP(ResampleInterpolated, "width height method=CatmullRom overflow=Repeat dest disableAveraging=0"),
//
// The string names every C++ parameter in order; "=value" gives the default
// used when trailing arguments are left out. A parameter named "dest" (a
// GbImage* or GbImage& destination) takes no argument: the result replaces
// the picture. How an argument is written follows the parameter's type:
// numbers (integers, reals, enums), an enum with a name table
// (tools/CliEnums.h) also by name, bool as 1 or 0, RGBQUAD as #RRGGBB or
// #RRGGBBAA, a const RGBQUAD* as none, #RRGGBB or an image file (its palette),
// a RECT as four numbers, a GbImage as an image file. A uint32_t that holds a
// COLORREF is marked "name:colorref" and written #RRGGBB. Overloaded members
// need GB_OP_SIG(Name, signature, "..."); anything else (free functions,
// several calls) can be a lambda: MakeCliOp("Name", [](GbImage& im, long a) {...}, "a").
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "image/core/GbImage.h"
#include "tools/CliEnums.h"
#include "tools/CliImageFiles.h"

enum class CliArgKind { Number, Bool, Colour, Palette, Image, Destination, Rect, Text };

struct CliOpParam {
  std::string name;
  CliArgKind kind = CliArgKind::Number;
  bool hasDefault = false;
  std::string defaultText;
  int tokens = 1;                       // command-line words it takes (0 for a destination)
  const CliEnumTable* names = nullptr;  // an enum's names, taken besides its numbers
};

struct CliOp {
  std::string name;
  std::vector<CliOpParam> params;
  std::string tableError;  // non-empty when the table line does not fit the function
  // Parses the words and runs; false with a message on bad arguments or failure.
  std::function<bool(GbImage&, const std::vector<std::string>&, std::string&)> invoke;

  std::string Usage() const;
  int MinArgs() const;
  int MaxArgs() const;
};

class CliOpRegistry {
 public:
  static CliOpRegistry& instance();
  void add(CliOp op);
  const CliOp* find(const std::string& name) const;
  const std::map<std::string, CliOp>& all() const { return ops_; }

 private:
  std::map<std::string, CliOp> ops_;
};

struct CliOpRegistrar {
  CliOpRegistrar(std::initializer_list<CliOp> ops) {
    for (const CliOp& op : ops) CliOpRegistry::instance().add(op);
  }
};

#define GB_CLI_OPS_CONCAT2(a, b) a##b
#define GB_CLI_OPS_CONCAT(a, b) GB_CLI_OPS_CONCAT2(a, b)
#define GB_CLI_OPS(...) \
  static const CliOpRegistrar GB_CLI_OPS_CONCAT(gbCliOps_, __LINE__) { __VA_ARGS__ }
#define GB_OP(Name, params) MakeCliOp(#Name, &GbImage::Name, params)
#define GB_OP_SIG(Name, Signature, params) MakeCliOp(#Name, static_cast<Signature>(&GbImage::Name), params)

// Splits "Name a 'b c'" into words; quotes group words with spaces.
std::vector<std::string> SplitCliWords(const std::string& text, std::string& error);

// Runs one --op text on the picture. With progress, a percentage from the
// image's progress field is shown on stderr while it runs.
bool RunCliOp(GbImage& picture, const std::string& text, bool progress, std::string& message);

// ---- implementation details of MakeCliOp ------------------------------------
namespace clio {

bool ParseNumber(const std::string& text, long double& out);
// True for a finite number without a fraction; never converts to an integer.
bool IsWhole(long double n);
bool ParseColour(const std::string& text, RGBQUAD& out);
bool LoadImageArg(const std::string& path, GbImage& out, std::string& error);
bool ParseSpec(const char* spec, std::vector<CliOpParam>& params, std::string& error);

template <class T>
using Bare = std::remove_cv_t<std::remove_reference_t<T>>;

template <class T>
constexpr bool isImage = std::is_same_v<Bare<std::remove_pointer_t<Bare<T>>>, GbImage>;

// How a parameter of type T is written on the command line.
template <class T>
constexpr CliArgKind KindOf() {
  using B = Bare<T>;
  if constexpr (isImage<T>)
    return CliArgKind::Image;
  else if constexpr (std::is_same_v<B, bool>)
    return CliArgKind::Bool;
  else if constexpr (std::is_same_v<B, RGBQUAD>)
    return CliArgKind::Colour;
  else if constexpr (std::is_same_v<B, const RGBQUAD*> || std::is_same_v<B, RGBQUAD*>)
    return CliArgKind::Palette;
  else if constexpr (std::is_same_v<B, RECT>)
    return CliArgKind::Rect;
  else if constexpr (std::is_same_v<B, const char*> || std::is_same_v<B, std::string>)
    return CliArgKind::Text;
  else if constexpr (std::is_arithmetic_v<B> || std::is_enum_v<B>)
    return CliArgKind::Number;
  else
    static_assert(sizeof(T) == 0, "this parameter type cannot be given on the command line; use a lambda");
}

// Holds one parsed argument for the call, and whatever it points to.
template <class T, class Enable = void>
struct Arg;

template <class T>
struct Arg<T, std::enable_if_t<std::is_arithmetic_v<Bare<T>> || std::is_enum_v<Bare<T>>>> {
  using B = Bare<T>;
  B value{};
  bool parse(const std::string* words, const CliOpParam& p, std::string& error) {
    if constexpr (std::is_same_v<B, bool>) {
      if (words[0] != "0" && words[0] != "1") return (error = "expects 1 or 0"), false;
      value = words[0] == "1";
      return true;
    } else {
      if (p.kind == CliArgKind::Colour) {  // a COLORREF written as #RRGGBB
        RGBQUAD c;
        if (!ParseColour(words[0], c)) return (error = "expects a colour #RRGGBB"), false;
        value = B(RGB(c.rgbRed, c.rgbGreen, c.rgbBlue));
        return true;
      }
      long double n;
      if (!ParseNumber(words[0], n)) {
        if (!p.names) return (error = "expects a number"), false;
        long named = 0;
        if (!p.names->Find(words[0], named))
          return (error = "has no value named \"" + words[0] + "\"; it takes a number or one of " + p.names->Listing()),
                 false;
        n = named;
      }
      using N = typename std::conditional_t<std::is_enum_v<B>, std::underlying_type<B>, std::type_identity<B>>::type;
      if constexpr (std::is_integral_v<N>) {
        // Range first: converting a float outside the target type is undefined.
        if (n < (long double)std::numeric_limits<N>::min() || n > (long double)std::numeric_limits<N>::max())
          return (error = "is out of range: it must be " + std::to_string(std::numeric_limits<N>::min()) + " to " +
                          std::to_string(std::numeric_limits<N>::max())),
                 false;
        if (!IsWhole(n)) return (error = "expects a whole number"), false;
      } else {
        if (n < -(long double)std::numeric_limits<N>::max() || n > (long double)std::numeric_limits<N>::max())
          return (error = "is out of range"), false;
      }
      value = B(N(n));
      return true;
    }
  }
  B get() { return value; }
  void finish(GbImage&) {}
};

template <class T>
struct Arg<T, std::enable_if_t<std::is_same_v<Bare<T>, RGBQUAD>>> {
  RGBQUAD value{};
  bool parse(const std::string* words, const CliOpParam&, std::string& error) {
    if (!ParseColour(words[0], value)) return (error = "expects a colour #RRGGBB"), false;
    return true;
  }
  RGBQUAD& get() { return value; }
  void finish(GbImage&) {}
};

// A colour pointer: none, one colour, or the palette of an image file. The
// storage always holds 256 entries, so callers that read a whole palette
// never run past it.
template <class T>
struct Arg<T, std::enable_if_t<std::is_same_v<Bare<T>, const RGBQUAD*> || std::is_same_v<Bare<T>, RGBQUAD*>>> {
  RGBQUAD entries[256] = {};
  bool none = true;
  bool parse(const std::string* words, const CliOpParam&, std::string& error) {
    const std::string& w = words[0];
    if (w == "none" || w == "-") return true;
    none = false;
    if (!w.empty() && w[0] == '#') {
      if (!ParseColour(w, entries[0])) return (error = "expects none, #RRGGBB or an image file"), false;
      return true;
    }
    GbImage source;
    if (!LoadImageArg(w, source, error)) return false;
    if (!source.PaletteEntryCount()) return (error = "needs an image with a palette: " + w), false;
    for (uint32_t i = 0; i < source.PaletteEntryCount(); ++i) entries[i] = source.PaletteColor(i);
    return true;
  }
  T get() { return none ? nullptr : entries; }
  void finish(GbImage&) {}
};

template <class T>
struct Arg<T, std::enable_if_t<std::is_same_v<Bare<T>, RECT>>> {
  RECT value{};
  bool parse(const std::string* words, const CliOpParam&, std::string& error) {
    LONG* fields[4] = {&value.left, &value.top, &value.right, &value.bottom};
    for (int i = 0; i < 4; ++i) {
      long double n;
      if (!ParseNumber(words[i], n) || n < INT32_MIN || n > INT32_MAX || !IsWhole(n))
        return (error = "expects four whole numbers: left top right bottom"), false;
      *fields[i] = LONG(n);
    }
    return true;
  }
  RECT& get() { return value; }
  void finish(GbImage&) {}
};

template <class T>
struct Arg<T, std::enable_if_t<std::is_same_v<Bare<T>, const char*> || std::is_same_v<Bare<T>, std::string>>> {
  std::string value;
  bool parse(const std::string* words, const CliOpParam&, std::string&) {
    value = words[0];
    return true;
  }
  T get() {
    if constexpr (std::is_same_v<Bare<T>, const char*>)
      return value.c_str();
    else
      return value;
  }
  void finish(GbImage&) {}
};

// An image: a source read from a file, or the destination (a temporary whose
// result then replaces the picture).
template <class T>
struct Arg<T, std::enable_if_t<isImage<T>>> {
  GbImage image;
  bool destination = false;
  bool parse(const std::string* words, const CliOpParam& p, std::string& error) {
    destination = p.kind == CliArgKind::Destination;
    if (destination) return true;
    return LoadImageArg(words[0], image, error);
  }
  T get() {
    if constexpr (std::is_pointer_v<T>)
      return &image;
    else
      return image;
  }
  void finish(GbImage& picture) {
    if (destination && image.HasPixels()) picture.TakeOver(image, true);
  }
};

template <class F>
struct Signature;
template <class R, class... A>
struct Signature<R (GbImage::*)(A...)> {
  using Ret = R;
  using Args = std::tuple<A...>;
};
template <class R, class... A>
struct Signature<R (GbImage::*)(A...) const> : Signature<R (GbImage::*)(A...)> {};
template <class R, class... A>
struct Signature<R (GbImage::*)(A...) noexcept> : Signature<R (GbImage::*)(A...)> {};
template <class R, class... A>
struct Signature<R (*)(GbImage&, A...)> : Signature<R (GbImage::*)(A...)> {};
template <class L, class R, class... A>
struct Signature<R (L::*)(GbImage&, A...) const> : Signature<R (GbImage::*)(A...)> {};
template <class F, class = void>
struct CallableSignature : Signature<F> {};
template <class F>
struct CallableSignature<F, std::void_t<decltype(&F::operator())>> : Signature<decltype(&F::operator())> {};

template <class F, class... A>
decltype(auto) Call(F& f, GbImage& picture, A&&... args) {
  if constexpr (std::is_member_function_pointer_v<F>)
    return (picture.*f)(std::forward<A>(args)...);
  else
    return f(picture, std::forward<A>(args)...);
}

template <class R>
bool Succeeded(const R& result, const std::string& name) {
  if constexpr (std::is_same_v<R, bool>)
    return result;
  else if constexpr (std::is_pointer_v<R>)
    return result != nullptr;
  else if constexpr (std::is_arithmetic_v<R> || std::is_enum_v<R>) {
    std::printf("%s = %lld\n", name.c_str(), static_cast<long long>(result));
    return true;
  } else {
    return true;
  }
}

template <class F, class Tuple, size_t... I>
bool Invoke(F f, const std::string& name, const std::vector<CliOpParam>& params, GbImage& picture,
            const std::vector<std::string>& words, std::string& message, std::index_sequence<I...>) {
  std::tuple<Arg<std::tuple_element_t<I, Tuple>>...> args;
  // Words for each parameter, defaults for those left out.
  std::vector<std::vector<std::string>> given(params.size());
  size_t next = 0;
  for (size_t i = 0; i < params.size(); ++i) {
    const CliOpParam& p = params[i];
    if (p.tokens == 0) continue;
    if (next + size_t(p.tokens) <= words.size()) {
      given[i].assign(words.begin() + long(next), words.begin() + long(next) + p.tokens);
      next += size_t(p.tokens);
    } else {
      std::string error;
      given[i] = SplitCliWords(p.defaultText, error);
      if (given[i].size() != size_t(p.tokens)) given[i].resize(size_t(p.tokens));
    }
  }
  bool ok = true;
  std::string error;
  auto parseOne = [&](auto& arg, size_t i) {
    if (!ok) return;
    if (!arg.parse(given[i].data(), params[i], error)) {
      ok = false;
      message = name + ": argument " + params[i].name + " " + error;
    }
  };
  (parseOne(std::get<I>(args), I), ...);
  (void)parseOne;  // operations without arguments
  if (!ok) return false;
  picture.ClearLastError();
  using R = typename CallableSignature<F>::Ret;
  bool success;
  if constexpr (std::is_void_v<R>) {
    Call(f, picture, std::get<I>(args).get()...);
    success = true;
  } else {
    success = Succeeded(Call(f, picture, std::get<I>(args).get()...), name);
  }
  if (!success) {
    message = name + " failed";
    if (*picture.LastError()) message += ": " + CliPlainError(picture.LastError());
    return false;
  }
  (std::get<I>(args).finish(picture), ...);
  return true;
}

}  // namespace clio

template <class F>
CliOp MakeCliOp(const char* name, F f, const char* spec) {
  using Sig = clio::CallableSignature<F>;
  using Tuple = typename Sig::Args;
  constexpr size_t arity = std::tuple_size_v<Tuple>;
  CliOp op;
  op.name = name;
  std::string error;
  if (!clio::ParseSpec(spec, op.params, error)) {
    op.tableError = error;
  } else if (op.params.size() != arity) {
    op.tableError = "the table names " + std::to_string(op.params.size()) + " parameters, the function has " +
                    std::to_string(arity);
  } else {
    [&]<size_t... I>(std::index_sequence<I...>) {
      const CliArgKind deduced[] = {CliArgKind::Number, clio::KindOf<std::tuple_element_t<I, Tuple>>()...};
      const CliEnumTable* names[] = {nullptr, clio::EnumTableOf<clio::Bare<std::tuple_element_t<I, Tuple>>>()...};
      for (size_t i = 0; i < arity; ++i) {
        CliOpParam& p = op.params[i];
        const CliArgKind k = deduced[i + 1];
        if (p.kind == CliArgKind::Destination) {
          if (k != CliArgKind::Image) op.tableError = p.name + " is not an image";
        } else if (p.kind == CliArgKind::Colour) {
          if (k != CliArgKind::Number) op.tableError = p.name + ": only integer parameters can be marked colorref";
        } else {
          p.kind = k;
          if (k == CliArgKind::Number) p.names = names[i + 1];
        }
        p.tokens = p.kind == CliArgKind::Destination ? 0 : p.kind == CliArgKind::Rect ? 4 : 1;
      }
    }
    (std::make_index_sequence<arity>{});
  }
  if (op.tableError.empty()) {
    // Defaults only at the end of what is typed.
    bool sawDefault = false;
    for (const CliOpParam& p : op.params) {
      if (p.tokens == 0) continue;
      if (p.hasDefault)
        sawDefault = true;
      else if (sawDefault)
        op.tableError = p.name + " has no default but follows one that has";
    }
  }
  const std::string opName = op.name;
  const std::vector<CliOpParam> params = op.params;
  const std::string tableError = op.tableError;
  op.invoke = [f, opName, params, tableError](GbImage& picture, const std::vector<std::string>& words,
                                              std::string& message) {
    if (!tableError.empty()) {
      message = opName + ": not available (" + tableError + ")";
      return false;
    }
    return clio::Invoke<F, Tuple>(f, opName, params, picture, words, message, std::make_index_sequence<arity>{});
  };
  return op;
}
