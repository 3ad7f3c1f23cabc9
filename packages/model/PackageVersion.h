#pragma once
// PackageVersionC: the version of a package as every package source reports it. The one kind
// in use splits a text such as "2:1.4.7-3" into an epoch ("2"), a version ("1.4.7") and a
// release ("3"), and orders versions the way package tools do: numbers by value (1.10 after
// 1.9), words by text, and a version that goes on after another ends (1.0a after 1.0).

#include <string>
#include <string_view>

#include "foundation/core/Text.h"

class PackageVersionC {
 public:
  enum VersionTypeT {
    c_Plain = 0,               // the whole text is the version
    c_EpochVersionRelease = 1  // [epoch:]version[-release]
  };

  PackageVersionC() = default;
  explicit PackageVersionC(std::string_view text, VersionTypeT kind = c_EpochVersionRelease) { parse(text, kind); }

  // Surrounding blanks are dropped. Of kind 1: a leading run of digits followed by ":" is the
  // epoch; with a "-" after the first character of the rest, the text before the last "-" is
  // the version and the text after it the release; otherwise the rest is the version.
  void parse(std::string_view text, VersionTypeT kind = c_EpochVersionRelease);

  VersionTypeT kind() const { return kind_; }
  const StringC& epoch() const { return epoch_; }
  const StringC& version() const { return version_; }
  const StringC& release() const { return release_; }

  // "epoch:" (when full and there is one), the version, "-release" (when there is one).
  StringC asString(bool full) const;
  // <0, 0 or >0. Of kind 1 epochs, then versions, then releases; otherwise versions only.
  int compare(const PackageVersionC& other) const;
  // The ordering of version texts: separators (blanks, ":", ",", ".", "-") are skipped, digit
  // runs compare by value, other runs as text; the first difference decides.
  static int compare(std::string_view a, std::string_view b);

 private:
  VersionTypeT kind_ = c_EpochVersionRelease;
  StringC epoch_;
  StringC version_;
  StringC release_;
};
