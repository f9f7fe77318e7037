// Printing a picture into a PDF through the program's print routine, for
// "print-pdf" and "sheet --print-pdf".
#pragma once
#include <string>

#include "image/core/GbImage.h"

// Checks --printer-dpi and --page of args-like values; false with a message.
bool CliPrintOptions(const std::string& dpiText, const std::string& page, long& dpi, double& widthMm, double& heightMm,
                     const char* command);
// Prints the picture as the print preview's "Current size" does, measured
// against a 96-dpi screen, into pdf. false with a message on stderr.
bool CliPrintPdf(const GbImage& picture, const std::string& pdf, long dpi, double widthMm, double heightMm,
                 const char* command);
