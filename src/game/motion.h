// src/game/motion.h — the train, the player on its roof profile, and the camera; whole pixels only.
#pragma once

constexpr int CAR_COACH = 0;
constexpr int CAR_COACH2 = 1;  // low deck between raised ends
constexpr int CAR_COACH3 = 2;
constexpr int CAR_ENGINE = 3;  // the goal, at the front

constexpr int POSE_RUN = 0;
constexpr int POSE_JUMP = 1;
constexpr int POSE_CROUCH = 2;

constexpr int JUMP_TICKS = 32;

void player_place();
void player_reset();
void train_place();
void train_reset();
void camera_reset();

void player_find_ground();
void player_tick();
void train_tick();
void camera_clamp_max_x();

void player_jump();
void player_crouch();
void player_run_right();
void camera_clamp_min_y();
void camera_clamp_max_y();
