// Number texts of the program: formatting and parsing with the run's current decimal separator.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel {

class NumberFormat {
  public:
    // Starts with the operating system's decimal separator.
    NumberFormat();
    explicit NumberFormat(char separator) : separator_(separator) {}

    char Separator() const { return separator_; }
    void SetSeparator(char separator) { separator_ = separator; }

    // The shortest decimal text with up to 15 significant digits: fixed notation, scientific
    // ("1,5E-7", "1E20") only below 0.00001 or beyond 15 integer digits.
    std::string Shortest(double value) const;

    // The "%.Nf" text of the value.
    std::string Fixed(double value, int decimals) const;
    // The same without the sign of a value that shows as zero ("0.000", not "-0.000"): for the
    // deviations and residuals of the newer tables, whose sign means a direction.
    std::string FixedDeviation(double value, int decimals) const;

    // A decimal real as typed or read: optional blanks around it, optional sign, digits with at
    // most one separator, optional exponent. Throws CommandError naming the text otherwise.
    double ParseReal(std::string_view text) const;

    // A decimal 32-bit signed integer; throws CommandError for anything else or out of range.
    static int32_t ParseInt(std::string_view text);

    // The decimal separator of the user's locale ("." when it cannot be told).
    static char SystemSeparator();

  private:
    char separator_;
};

// Appends the shortest text (as NumberFormat::Shortest with ".") without allocating a new string.
void AppendShortest(std::string& out, double value, char separator);
// Appends the "%.Nf" text of the value.
void AppendFixed(std::string& out, double value, int decimals, char separator);

std::string InvalidNumberMessage(std::string_view text);

}  // namespace ostrel
