// Reader simulator: a stand-in for the iDBio reader library (libcidbio.dll), which is Windows
// software driving a USB reader and cannot exist on this platform. It exports the same 27 C functions
// by name, as the module binds them, and answers them without hardware, so that the consumer screen,
// its tests and the demo capture fingerprints here.
//
// What it does:
// - captures give deterministic templates: the n-th capture since the last reset gives the same text
//   in every run (finger 1 and finger 2 of a demo therefore differ);
// - the environment variable CIDBIO_SIM, read at every call, holds words that change the answers:
//   "init-fails" (CIDBIO_Init answers -1), "timeout" (captures answer kTimeout with no buffers),
//   "null-buffers" (success, but every out buffer null), "negative" (every function but Init,
//   Terminate and the Free functions answers -1, still handing out its buffers), "long-template"
//   (templates of 2001 characters);
// - every buffer it hands out is counted by kind and must come back once through its Free function:
//   CIDBIOSIM_Count(name) tells the calls of a function ("CIDBIO_FreeString"...) and the buffers
//   handed out ("String", "ByteArray", "IDArray"), CIDBIOSIM_Outstanding() those not yet handed back,
//   "BadFree" the Free calls with a buffer it never gave; CIDBIOSIM_Reset() starts over.
//
// Built as libcidbio.so; built with CIDBIO_SIM_PARTIAL (libcidbio_partial.so) it lacks
// CIDBIO_CaptureImageAndTemplate and CIDBIO_GetDeviceInfo, as an older library would.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>

#define SIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kFailure = -1;
constexpr int32_t kTimeout = -2;
constexpr int32_t kWidth = 16;
constexpr int32_t kHeight = 20;
constexpr size_t kLongTemplate = 2001;

std::map<std::string, int> g_counts;
std::set<const void *> g_outstanding;
std::map<int32_t, std::string> g_templates;
std::map<int32_t, std::string> g_parameters;
std::string g_port;
int g_captures = 0;

bool mode(const char *word)
{
    const char *env = std::getenv("CIDBIO_SIM");
    if (!env)
        return false;
    const std::string modes = std::string(",") + env + ",";
    return modes.find(std::string(",") + word + ",") != std::string::npos;
}

int32_t called(const char *name)
{
    ++g_counts[name];
    return mode("negative") ? kFailure : kOk;
}

char *giveString(const std::string &text)
{
    if (mode("null-buffers"))
        return nullptr;
    char *p = static_cast<char *>(std::malloc(text.size() + 1));
    std::memcpy(p, text.c_str(), text.size() + 1);
    ++g_counts["String"];
    g_outstanding.insert(p);
    return p;
}

uint8_t *giveBytes(size_t size, uint8_t seed)
{
    if (mode("null-buffers"))
        return nullptr;
    auto *p = static_cast<uint8_t *>(std::malloc(size));
    for (size_t i = 0; i < size; ++i)
        p[i] = uint8_t(seed + i * 7);
    ++g_counts["ByteArray"];
    g_outstanding.insert(p);
    return p;
}

int32_t freed(const char *name, void *p)
{
    ++g_counts[name];
    if (!p)
        return kOk;
    if (g_outstanding.erase(p) == 0) {
        ++g_counts["BadFree"];
        return kFailure;
    }
    std::free(p);
    return kOk;
}

// Base64 letters from a seed: the same seed, the same template.
std::string templateFor(int seed)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const size_t size = mode("long-template") ? kLongTemplate : 512;
    std::string t = "SIM" + std::to_string(seed) + ":";
    uint32_t x = 2463534242u + uint32_t(seed) * 2654435761u;
    while (t.size() < size) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        t += letters[x % 64];
    }
    return t;
}

int32_t capture(const char *name, char **templ, uint8_t **image, int32_t *width, int32_t *height, int32_t *quality)
{
    const int32_t ret = called(name);
    if (templ)
        *templ = nullptr;
    if (image)
        *image = nullptr;
    if (mode("timeout"))
        return kTimeout;
    ++g_captures;
    if (templ)
        *templ = giveString(templateFor(g_captures));
    if (image)
        *image = giveBytes(size_t(kWidth * kHeight), uint8_t(g_captures));
    if (width)
        *width = kWidth;
    if (height)
        *height = kHeight;
    if (quality)
        *quality = 80;
    return ret;
}

} // namespace

// ---- the reader's functions

SIM_EXPORT int32_t CIDBIO_SetSerialCommPort(const char *port)
{
    g_port = port ? port : "";
    return called("CIDBIO_SetSerialCommPort");
}

SIM_EXPORT int32_t CIDBIO_Init()
{
    ++g_counts["CIDBIO_Init"];
    return mode("init-fails") ? kFailure : kOk;
}

SIM_EXPORT int32_t CIDBIO_Terminate()
{
    ++g_counts["CIDBIO_Terminate"];
    return kOk;
}

SIM_EXPORT int32_t CIDBIO_CaptureImage(uint8_t **image, int32_t *width, int32_t *height)
{
    return capture("CIDBIO_CaptureImage", nullptr, image, width, height, nullptr);
}

#ifndef CIDBIO_SIM_PARTIAL
SIM_EXPORT int32_t CIDBIO_CaptureImageAndTemplate(char **templ, uint8_t **image, int32_t *width, int32_t *height,
                                                  int32_t *quality)
{
    return capture("CIDBIO_CaptureImageAndTemplate", templ, image, width, height, quality);
}
#endif

SIM_EXPORT int32_t CIDBIO_CaptureAndEnroll(int32_t id)
{
    const int32_t ret = called("CIDBIO_CaptureAndEnroll");
    if (mode("timeout"))
        return kTimeout;
    g_templates[id] = templateFor(++g_captures);
    return ret;
}

SIM_EXPORT int32_t CIDBIO_CaptureAndIdentify(int32_t *id, int32_t *score, int32_t *quality)
{
    const int32_t ret = called("CIDBIO_CaptureAndIdentify");
    if (mode("timeout"))
        return kTimeout;
    *id = g_templates.empty() ? 0 : g_templates.begin()->first;
    *score = g_templates.empty() ? 0 : 100;
    *quality = 80;
    return ret;
}

SIM_EXPORT int32_t CIDBIO_CaptureAndMatch(int32_t id, int32_t *score, int32_t *quality)
{
    const int32_t ret = called("CIDBIO_CaptureAndMatch");
    if (mode("timeout"))
        return kTimeout;
    *score = g_templates.count(id) ? 100 : 0;
    *quality = 80;
    return ret;
}

SIM_EXPORT int32_t CIDBIO_CheckFingerprint(uint8_t **image, int32_t *width, int32_t *height)
{
    return capture("CIDBIO_CheckFingerprint", nullptr, image, width, height, nullptr);
}

SIM_EXPORT int32_t CIDBIO_CancelCapture()
{
    return called("CIDBIO_CancelCapture");
}

SIM_EXPORT int32_t CIDBIO_ExtractTemplateFromImage(int32_t width, int32_t height, const uint8_t *image, char **templ,
                                                   int32_t *quality)
{
    const int32_t ret = called("CIDBIO_ExtractTemplateFromImage");
    int seed = 0;
    for (int32_t i = 0; i < width * height; ++i)
        seed = seed * 31 + image[i];
    *templ = giveString(templateFor(seed & 0xFFFF));
    *quality = 70;
    return ret;
}

SIM_EXPORT int32_t CIDBIO_MergeTemplates(const char *t1, const char *t2, const char *t3, char **merged)
{
    const int32_t ret = called("CIDBIO_MergeTemplates");
    *merged = giveString(std::string(t1) + "|" + t2 + "|" + t3);
    return ret;
}

SIM_EXPORT int32_t CIDBIO_MatchTemplates(const char *t1, const char *t2, int32_t *score)
{
    const int32_t ret = called("CIDBIO_MatchTemplates");
    *score = std::strcmp(t1, t2) == 0 ? 100 : 0;
    return ret;
}

SIM_EXPORT int32_t CIDBIO_MatchTemplateByID(int32_t id, const char *templ, int32_t *score)
{
    const int32_t ret = called("CIDBIO_MatchTemplateByID");
    const auto it = g_templates.find(id);
    *score = it != g_templates.end() && it->second == templ ? 100 : 0;
    return ret;
}

SIM_EXPORT int32_t CIDBIO_GetTemplateIDs(int32_t **ids, int32_t *count)
{
    const int32_t ret = called("CIDBIO_GetTemplateIDs");
    *count = int32_t(g_templates.size());
    *ids = nullptr;
    if (mode("null-buffers"))
        return ret;
    *ids = static_cast<int32_t *>(std::malloc(sizeof(int32_t) * (g_templates.size() + 1)));
    int32_t n = 0;
    for (const auto &entry : g_templates)
        (*ids)[n++] = entry.first;
    ++g_counts["IDArray"];
    g_outstanding.insert(*ids);
    return ret;
}

SIM_EXPORT int32_t CIDBIO_GetTemplate(int32_t id, char **templ)
{
    const int32_t ret = called("CIDBIO_GetTemplate");
    const auto it = g_templates.find(id);
    *templ = it == g_templates.end() ? nullptr : giveString(it->second);
    return it == g_templates.end() ? kFailure : ret;
}

SIM_EXPORT int32_t CIDBIO_SaveTemplate(int32_t id, const char *templ)
{
    g_templates[id] = templ;
    return called("CIDBIO_SaveTemplate");
}

SIM_EXPORT int32_t CIDBIO_DeleteTemplate(int32_t id)
{
    g_templates.erase(id);
    return called("CIDBIO_DeleteTemplate");
}

SIM_EXPORT int32_t CIDBIO_DeleteAllTemplates()
{
    g_templates.clear();
    return called("CIDBIO_DeleteAllTemplates");
}

SIM_EXPORT int32_t CIDBIO_SetParameter(int32_t param, const char *value)
{
    g_parameters[param] = value;
    return called("CIDBIO_SetParameter");
}

SIM_EXPORT int32_t CIDBIO_GetParameter(int32_t param, char **value)
{
    const int32_t ret = called("CIDBIO_GetParameter");
    *value = giveString(g_parameters[param]);
    return ret;
}

#ifndef CIDBIO_SIM_PARTIAL
SIM_EXPORT int32_t CIDBIO_GetDeviceInfo(char **info1, char **info2, char **info3)
{
    const int32_t ret = called("CIDBIO_GetDeviceInfo");
    *info1 = giveString("1.0.0");
    *info2 = giveString("SIMULADOR-0001");
    *info3 = giveString(g_port.empty() ? "USB" : g_port);
    return ret;
}
#endif

SIM_EXPORT int32_t CIDBIO_UpdateFirmware(const char *)
{
    return called("CIDBIO_UpdateFirmware");
}

SIM_EXPORT int32_t CIDBIO_GetErrorMessage(int32_t code, char **message)
{
    const int32_t ret = called("CIDBIO_GetErrorMessage");
    const char *text = code == kOk ? "Sucesso"
        : code == kFailure         ? "Falha na operação"
        : code == kTimeout         ? "Tempo de captura esgotado"
                                   : nullptr;
    if (!text) {
        *message = nullptr;
        return kFailure;
    }
    *message = giveString(text);
    return ret;
}

SIM_EXPORT int32_t CIDBIO_FreeByteArray(uint8_t *buffer)
{
    return freed("CIDBIO_FreeByteArray", buffer);
}

SIM_EXPORT int32_t CIDBIO_FreeString(char *buffer)
{
    return freed("CIDBIO_FreeString", buffer);
}

SIM_EXPORT int32_t CIDBIO_FreeIDArray(int32_t *buffer)
{
    return freed("CIDBIO_FreeIDArray", buffer);
}

// ---- what tests ask of the simulator

SIM_EXPORT int32_t CIDBIOSIM_Count(const char *name)
{
    const auto it = g_counts.find(name);
    return it == g_counts.end() ? 0 : it->second;
}

SIM_EXPORT int32_t CIDBIOSIM_Outstanding()
{
    return int32_t(g_outstanding.size());
}

SIM_EXPORT void CIDBIOSIM_Reset()
{
    g_counts.clear();
    g_templates.clear();
    g_parameters.clear();
    g_captures = 0;
}
