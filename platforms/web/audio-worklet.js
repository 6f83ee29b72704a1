// platforms/web/audio-worklet.js — plays the buffers the game mixes (web_sound.c), in the order they come; silence
// while none is waiting. Tells the game how many frames it has played, so that the game mixes just ahead, and how
// many times the sound broke off because no buffer was there (running dry in silence, as in the menu or while a
// level loads, is no break).
class RoofrunnerPlayer extends AudioWorkletProcessor {
  constructor() {
    super();
    this.queue = [];
    this.offset = 0;
    this.consumed = 0;
    this.underruns = 0;
    this.sounding = false;
    this.port.onmessage = (e) => {
      if (e.data.reset) {
        this.queue = [];
        this.offset = 0;
        this.consumed = 0;
        this.sounding = false;
      } else {
        this.queue.push(e.data);
      }
    };
  }

  process(inputs, outputs) {
    const left = outputs[0][0];
    const right = outputs[0][1] || left;
    let i = 0;
    while (i < left.length && this.queue.length) {
      const buf = this.queue[0];
      const n = Math.min(left.length - i, buf.left.length - this.offset);
      left.set(buf.left.subarray(this.offset, this.offset + n), i);
      right.set(buf.right.subarray(this.offset, this.offset + n), i);
      i += n;
      this.offset += n;
      this.consumed += n;
      this.sounding = buf.sounding;
      if (this.offset === buf.left.length) {
        this.queue.shift();
        this.offset = 0;
        this.port.postMessage({consumed: this.consumed, underruns: this.underruns});
      }
    }
    if (i < left.length) {
      left.fill(0, i);
      right.fill(0, i);
      if (this.sounding) this.underruns++;
      this.sounding = false;
    }
    return true;
  }
}

registerProcessor('roofrunner-player', RoofrunnerPlayer);
