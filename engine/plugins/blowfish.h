#pragma once
// Blowfish: encrypts and decrypts byte arrays, strings and whole files of the machine in the
// plug-in file's container (see container.h), chained block to block from an all-zero start,
// so any standard implementation in CBC mode with a zero IV reads and writes it too.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"
#include "engine/plugins/blowfish_cipher.h"

namespace engine {

class Blowfish : public EngineObject {
public:
    // A pass over the data lets the program handle its queued input about every hundredth of the
    // way, so long files keep the screens alive. Without `serve_queue` it never does: for callers
    // whose read-modify-write of a file must not be interleaved with another command.
    explicit Blowfish(bool serve_queue = true) : serve_queue_(serve_queue) {}

    // Replaces the plain bytes by their encrypted container. An empty key keeps the current one.
    void EncryptByte(std::vector<uint8_t>& byteArray, const std::string& key);
    // The container as one character per byte, or as two upper-case hex digits per byte.
    std::string EncryptString(const std::string& Text, const std::string& key, bool OutputInHex);
    // Text in hex is first turned into its bytes, in the caller's variable too. "" when the
    // text is no container made with this key.
    std::string DecryptString(std::string& Text, const std::string& key, bool IsTextInHex);
    // Replaces the container by its plain bytes. A wrong key or a damaged container (one whose
    // length does not match the length in its header) gives false and leaves byteArray as it was.
    bool DecryptByte(std::vector<uint8_t>& byteArray, const std::string& key);

    // The key is scheduled once per different key text; the same key again costs nothing.
    void key(const std::string& value);

    // True when OutFile was written. False, touching no file, when InFile is missing or empty,
    // or OutFile exists and Overwrite is false; false with OutFile untouched when anything else
    // fails, including (for DecryptFile) a container that does not decrypt with the key.
    // OutFile is replaced atomically: it holds either its old contents or the whole result.
    bool EncryptFile(const std::string& InFile, const std::string& OutFile, bool Overwrite, const std::string& key);
    bool DecryptFile(const std::string& InFile, const std::string& OutFile, bool Overwrite, const std::string& key);

    // The same without a plain file: the plain bytes of an encrypted file, held in memory only
    // (nullopt when EncryptFile/DecryptFile would give false), and plain bytes held in memory
    // into an encrypted file. The plain text of the last file decrypted so is kept in memory with
    // its encrypted bytes and key: the same bytes again are not decrypted again.
    std::optional<std::string> decrypt_file_to_memory(const std::string& in_file, const std::string& key);
    bool encrypt_memory_to_file(const std::string& plain, const std::string& out_file, const std::string& key);

    // Percent from 0 to 100 as a pass over the data goes on.
    Event<int32_t> Progress;

private:
    // Runs the cipher over whole blocks, reporting progress and letting the program's queue run.
    void run_pass(std::span<uint8_t> data, bool encrypt);
    // The plain length a container announces, from its first two blocks, when it fits the container.
    std::optional<size_t> announced_length(std::span<const uint8_t> container) const;
    // The input file run through `transform`; nullopt when it is missing, empty or a folder, or
    // the transform refuses it. Throws what reading it throws.
    std::optional<std::vector<uint8_t>> transformed_file(
        const std::string& in_file, bool (Blowfish::*transform)(std::vector<uint8_t>&, const std::string&),
        const std::string& key);
    void write_output(const std::string& out_file, const std::vector<uint8_t>& bytes);
    bool transform_file(const std::string& in_file, const std::string& out_file, bool overwrite,
                        bool (Blowfish::*transform)(std::vector<uint8_t>&, const std::string&), const std::string& key);
    bool encrypt_bytes(std::vector<uint8_t>& bytes, const std::string& key);
    // DecryptByte, or the plain bytes kept from the last time the same bytes were decrypted.
    bool decrypt_kept(std::vector<uint8_t>& bytes, const std::string& key);

    blowfish::Cipher cipher_;
    std::optional<std::string> key_;
    bool serve_queue_;
};

}  // namespace engine
