// Peer: RapidJSON parses the file into a Document and writes it back with a Writer.
#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <rapidjson/filereadstream.h>
#include <rapidjson/filewritestream.h>
#include <rapidjson/writer.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: peer_rapidjson INPUT OUTPUT\n");
    return 2;
  }
  std::FILE* in = std::fopen(argv[1], "rb");
  if (!in) {
    std::perror(argv[1]);
    return 1;
  }
  std::vector<char> buffer(1 << 16);
  rapidjson::Document document;
  {
    rapidjson::FileReadStream stream(in, buffer.data(), buffer.size());
    document.ParseStream(stream);
  }
  std::fclose(in);
  if (document.HasParseError()) {
    std::fprintf(stderr, "%s: offset %zu: %s\n", argv[1], document.GetErrorOffset(),
                 rapidjson::GetParseError_En(document.GetParseError()));
    return 1;
  }
  std::FILE* out = std::fopen(argv[2], "wb");
  if (!out) {
    std::perror(argv[2]);
    return 1;
  }
  rapidjson::FileWriteStream stream(out, buffer.data(), buffer.size());
  rapidjson::Writer<rapidjson::FileWriteStream> writer(stream);
  const bool written = document.Accept(writer);
  stream.Flush();
  return (std::fclose(out) == 0 && written) ? 0 : 1;
}
