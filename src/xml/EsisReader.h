// The reader of the event stream: hands on the lines the document tree is built from.
#pragma once

#include <istream>
#include <string>

// Reads the event stream a line at a time, passing over empty lines and the lines no tree needs
// (definitions, "L", "C" and the like). Escapes are left as written.
class EsisReader {
  public:
    // Moves to the next kept line; at the end of the stream the current line is a single line
    // feed and atEnd() holds.
    void readEsisLine(std::istream& in);

    const std::string& currentLine() const { return line; }
    bool atEnd() const { return endOfInput; }

  private:
    std::string line;
    bool endOfInput = false;
};
