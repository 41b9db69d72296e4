// Fuzz target for the plug-in file's container. The bytes are read twice: as a file from the disk
// (which decrypts to noise) and as what a file decrypts to, so that the header's length field is
// the fuzzer's to choose. A container is either refused and left as it was, or gives exactly the
// plain bytes its header announces.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/plugins/blowfish.h"
#include "engine/plugins/blowfish_cipher.h"
#include "engine/plugins/container.h"

namespace {

const std::string kKey = "fuzzing key";

void decrypt_checked(engine::Blowfish& blowfish, std::vector<uint8_t> bytes, const std::vector<uint8_t>* plain) {
    const std::vector<uint8_t> before = bytes;
    if (!blowfish.DecryptByte(bytes, kKey)) {
        if (bytes != before) std::abort();
        return;
    }
    if (plain && bytes != *plain) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static engine::Blowfish blowfish(false);
    static const engine::blowfish::Cipher cipher = [] {
        engine::blowfish::Cipher keyed;
        keyed.set_key({reinterpret_cast<const uint8_t*>(kKey.data()), kKey.size()});
        return keyed;
    }();
    const std::vector<uint8_t> bytes(data, data + size);
    decrypt_checked(blowfish, bytes, nullptr);

    // The input as the decrypted container: whole blocks of it, encrypted as a file holds them.
    std::vector<uint8_t> image(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(
                                                                  size / engine::blowfish::kBlockSize *
                                                                  engine::blowfish::kBlockSize));
    const auto length = engine::blowfish::plain_length(image, image.size());
    std::vector<uint8_t> plain;
    if (length) {
        plain.assign(image.begin() + engine::blowfish::kHeaderSize,
                     image.begin() + static_cast<std::ptrdiff_t>(engine::blowfish::kHeaderSize + *length));
    }
    engine::blowfish::Chain chain;
    cipher.encrypt_cbc(image, chain);
    decrypt_checked(blowfish, image, length ? &plain : nullptr);
    return 0;
}
