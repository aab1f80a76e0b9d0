// Renders the whole soundtrack with the synthesiser alone (intro-synth.js)
// and sends it back as interleaved 16-bit samples. The page makes one while
// the prompt shows, so the synthesiser is loaded before the click.
importScripts('intro-synth.js');
const synthReady = createIntroSynth();

onmessage = async (event) => {
  const {frames} = event.data;
  try {
    const synth = await synthReady;
    const at = synth._synthSoundtrack();
    if (!at) throw new Error('the song data is broken');
    const pcm = synth.HEAP16.slice(at >> 1, (at >> 1) + frames * 2);
    postMessage({pcm: pcm}, [pcm.buffer]);
  } catch (error) {
    postMessage({error: String(error)});
  }
};
