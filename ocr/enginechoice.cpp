#include "enginechoice.h"

TextRecognizer::Engine EngineChoice::forPlayback(TextRecognizer::Engine preference, double rate)
{
    if (preference == TextRecognizer::Engine::Automatic && rate > fastestPpocrRate())
        return TextRecognizer::Engine::Tesseract;
    return preference;
}
