// Renders one channel of the soundtrack with the synthesiser alone
// (intro-synth.js) and sends it back as 16-bit samples. The page makes one
// while the prompt shows, so the synthesiser is loaded before the click.
importScripts('intro-synth.js');
const synthReady = createIntroSynth();

onmessage = async (event) => {
  const {channel, frames} = event.data;
  try {
    const synth = await synthReady;
    const at = synth._synthChannel(channel);
    if (!at) throw new Error('the song data is broken');
    const words = synth.HEAP16;
    const pcm = new Int16Array(frames);
    for (let f = 0, k = (at >> 1) + (channel >> 1); f < frames; ++f, k += 2) pcm[f] = words[k];
    postMessage({channel: channel, pcm: pcm}, [pcm.buffer]);
  } catch (error) {
    postMessage({channel: channel, error: String(error)});
  }
};
